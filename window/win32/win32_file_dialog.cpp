#include "window/win32/win32_file_dialog.h"

#include <commdlg.h>
#undef GetOpenFileName  // commdlg.h names the A or W call so; this file calls the W one

#include <array>

#include "window/win32/wide_text.h"

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

// Wide text both ways: a folder or file whose name the code page cannot spell is found and
// comes back as UTF-8.
std::optional<std::string> Win32FileDialog::GetOpenFileName(const std::string& initialDir,
                                                            const std::string& filter) {
  const std::wstring pairs = Wide(DialogFilter(filter));
  const std::wstring folder = Wide(initialDir);
  std::array<wchar_t, 32768> path{};
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = IsWindow(owner_) ? owner_ : nullptr;
  dialog.lpstrFilter = pairs.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  // The program's own folder stays its working folder whatever the person browses.
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameW(&dialog)) return std::nullopt;
  return Narrow(path.data());
}

}  // namespace kelm::win32
