#include "window/win32/win32_file_dialog.h"

#include <commdlg.h>
#undef GetOpenFileName  // commdlg.h names the A or W call so; this file calls the A one

#include <array>

namespace kelm::win32 {

std::string DialogFilter(const std::string& filter) {
  std::string pairs = filter;
  for (char& ch : pairs) {
    if (ch == '|') ch = '\0';
  }
  pairs.push_back('\0');
  pairs.push_back('\0');
  return pairs;
}

std::optional<std::string> Win32FileDialog::GetOpenFileName(const std::string& initialDir,
                                                            const std::string& filter) {
  const std::string pairs = DialogFilter(filter);
  std::array<char, 32768> path{};
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = IsWindow(owner_) ? owner_ : nullptr;
  dialog.lpstrFilter = pairs.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
  // The program's own folder stays its working folder whatever the person browses.
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameA(&dialog)) return std::nullopt;
  return std::string(path.data());
}

}  // namespace kelm::win32
