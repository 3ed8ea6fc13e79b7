#include "chip/firmware_file.h"

#include <algorithm>
#include <array>
#include <span>
#include <string_view>
#include <vector>

#include "chip/bridge_models.h"
#include "chip/byte_text.h"
#include "chip/identification.h"
#include "device/commands.h"
#include "flash/procedure_support.h"

namespace kelm::chip {

namespace {

using namespace std::string_view_literals;

constexpr std::size_t kHeaderLength = 10;
constexpr std::size_t kSignatureOffset = 4;
constexpr std::size_t kSignatureLength = 4;
constexpr std::size_t kJmb353HeaderLength = 8;

// The signature a JM20335 of revision 1 carries instead of a "335" text.
constexpr std::string_view kJm20335FirstRevisionSignature = "\x5A\xA5\x0F\xF0"sv;

// JMB353 file headers (bytes 0-7), indexed by revision - 1.
constexpr std::array<std::string_view, 2> kJmb353Headers = {
    "\x55\xAA\xAA\x55" "j353"sv,
    "\x55\xAA\xAA\x55" "3531"sv,
};

// The NVRAM area at the start of the flash that an embedded image does not cover.
constexpr std::uint32_t kNvramSize = 4096;

// No flash the bridges carry holds more; a larger file is no firmware of theirs, and a name
// that turns out to be a device or a pipe is never read without end.
constexpr std::size_t kLargestFirmwareFile = 1048576;

using Header = std::array<std::uint8_t, kHeaderLength>;

// The first bytes of the file; bytes a short file does not hold stay zero. False when it is no
// regular file of at most kLargestFirmwareFile bytes, or cannot be read.
bool ReadHeader(const platform::FileStore& files, const std::string& fileName, Header& header) {
  const std::optional<std::vector<std::uint8_t>> bytes =
      files.ReadWholeFile(fileName, kLargestFirmwareFile);
  if (!bytes) return false;
  std::copy_n(bytes->begin(), std::min(bytes->size(), header.size()), header.begin());
  return true;
}

// "335" or "339" followed by the revision character, "0" for revision 1.
std::string SeriesText(std::string_view series, std::uint8_t revision) {
  std::string text(series);
  text.push_back(static_cast<char>('0' + (revision - 1)));
  return text;
}

bool FitsModel(std::span<const std::uint8_t> header, ChipCode code) {
  const std::span<const std::uint8_t> signature = header.subspan(kSignatureOffset);
  const std::uint8_t revision = RevisionOf(code);
  switch (ModelOf(code)) {
    case 1: {
      const std::string expected =
          revision == 1 ? std::string(kJm20335FirstRevisionSignature) : SeriesText("335", revision);
      return TextEquals(signature, expected, kSignatureLength);
    }
    case 4:
      return TextEquals(signature, SeriesText("339", revision), kSignatureLength);
    case 2:
    case 17:
      return !TextEquals(signature, "33");
    case 3:
    case 13:
    case 14:
    case 15:
    case 16:
      return true;
    case 6:
      return TextEquals(signature, "352");
    case 7:
      if (revision < 1 || revision > kJmb353Headers.size()) return false;
      return TextEquals(header, kJmb353Headers[revision - 1], kJmb353HeaderLength);
    default:
      return false;
  }
}

}  // namespace

bool CheckFirmwareFile(const platform::Services& io, const std::string& fileName, ChipCode code) {
  Header header{};
  if (!ReadHeader(io.files, fileName, header)) {
    io.boxes.Show("Error", "Open Firmware File Error!!", platform::MessageIcon::None);
    return false;
  }
  return FitsModel(header, code);
}

bool IsEmbeddedImageCurrent(const platform::Services& io, const std::string& path) {
  const std::string_view imageName = Jmb352ImageName(IdentifyBridgeChip(io, path));
  if (imageName.empty()) return false;
  const std::span<const std::uint8_t> image = io.images.TakeImageFor(imageName, path);
  // An image that ends within the NVRAM area has nothing to compare.
  if (image.size() <= kNvramSize) return false;

  const std::span<const std::uint8_t> expected = image.subspan(kNvramSize);
  std::vector<std::uint8_t> flash(expected.size(), 0);
  // Not examined: a flash that is still busy fails the read or the comparison below.
  device::WaitFlashReady(io, path);
  // Bytes that never came back must not pass for the image.
  if (!flash::ReadFlashFully(io, path, kNvramSize, flash)) return false;
  return std::ranges::equal(flash, expected);
}

}  // namespace kelm::chip
