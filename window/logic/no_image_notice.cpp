#include "window/logic/no_image_notice.h"

#include "window/logic/application_title.h"

namespace kelm::window {

namespace {

std::string FileNames() {
  std::string names;
  for (std::string_view name : flash::kImageNames) {
    names += (names.empty() ? "" : ", ") + flash::ImageFileName(name);
  }
  return names;
}

std::string Indented(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += "  " + line + "\n";
  return text;
}

std::string RefusedText(const flash::FoundImages& images) {
  std::vector<std::string> lines;
  for (const flash::RefusedImage& image : images.refused()) lines.push_back(image.file + ": " + image.why);
  return "These image files were found but are not used:\n" + Indented(lines);
}

}  // namespace

std::string ImageNoticeText(const flash::FoundImages& images) {
  if (images.FoundAny()) return images.refused().empty() ? std::string() : RefusedText(images);
  std::string text =
      "No firmware image was found, so bridges can be identified but not updated.\n\n"
      "To update them, put the vendor's image files (" + FileNames() + ") in one of these "
      "folders and start the program again:\n" + Indented(images.folders());
  if (!images.refused().empty()) text += "\n" + RefusedText(images);
  return text;
}

bool TellAboutImages(const flash::FoundImages& images, platform::MessageBoxes& boxes) {
  const std::string text = ImageNoticeText(images);
  if (text.empty()) return false;
  boxes.Show(kApplicationTitle, text, platform::MessageIcon::Information);
  return true;
}

}  // namespace kelm::window
