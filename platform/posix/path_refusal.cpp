#include "platform/posix/path_refusal.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kelm::posix {

namespace {

// The longest name of one folder entry, and of a whole path, in bytes (PATH_MAX counts the
// terminating zero).
constexpr std::size_t kLongestName = NAME_MAX;
constexpr std::size_t kLongestPath = PATH_MAX - 1;

std::string LastPart(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string WhatIsThere(mode_t mode) {
  if (S_ISREG(mode)) return {};
  if (S_ISDIR(mode)) return "is a folder, not a file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "is a device, not a file";
  if (S_ISFIFO(mode)) return "is a pipe, not a file";
  if (S_ISSOCK(mode)) return "is a socket, not a file";
  if (S_ISLNK(mode)) return "is a symbolic link, not a file";
  return "exists and is not a file";
}

// Nothing is at the path: its folder is missing or no folder, or only the file is missing.
std::string WhyNothingThere(const std::string& path, platform::PathUse use) {
  const std::string folder = FolderOf(path);
  struct stat status {};
  if (::stat(folder.c_str(), &status) != 0) return "no such folder (" + folder + ")";
  if (!S_ISDIR(status.st_mode)) return folder + " is not a folder";
  return use == platform::PathUse::Read ? "no such file" : "";
}

std::string WhyLookupFailed(int error, const std::string& path, platform::PathUse use) {
  switch (error) {
    case ENOENT:
    case ENOTDIR: return WhyNothingThere(path, use);
    case ENAMETOOLONG:
      return "too long a folder name (" + std::to_string(kLongestName) + " bytes at most)";
    case EACCES: return "no permission to look into its folder";
    case ELOOP: return "too many symbolic links on the way";
    default: return std::string("cannot be looked at (") + std::strerror(error) + ")";
  }
}

std::string WhyUnreadable(const std::string& path) {
  if (::access(path.c_str(), R_OK) == 0 || errno != EACCES) return {};
  return "no permission to read it";
}

// A new file is made beside the target and renamed over it: the folder must take writes.
std::string WhyFolderUnwritable(const std::string& path) {
  const std::string folder = FolderOf(path);
  if (::access(folder.c_str(), W_OK | X_OK) == 0) return {};
  if (errno == EROFS) return "on a read-only file system";
  if (errno == EACCES) return "no permission to write in its folder (" + folder + ")";
  return {};
}

}  // namespace

std::string WhyPathUnusable(const std::string& path, platform::PathUse use) {
  if (path.empty()) return "no name given";
  if (path.size() > kLongestPath) {
    return "too long a path (" + std::to_string(kLongestPath) + " bytes at most)";
  }
  if (LastPart(path).size() > kLongestName) {
    return "too long a name (" + std::to_string(kLongestName) + " bytes at most)";
  }
  // A read follows a link to its file; a write replaces what is at the name, so a link is no
  // file to it.
  struct stat status {};
  const int found = use == platform::PathUse::Read ? ::stat(path.c_str(), &status)
                                                   : ::lstat(path.c_str(), &status);
  if (found != 0) {
    const std::string why = WhyLookupFailed(errno, path, use);
    if (!why.empty()) return why;
  } else if (const std::string why = WhatIsThere(status.st_mode); !why.empty()) {
    return why;
  }
  return use == platform::PathUse::Read ? WhyUnreadable(path) : WhyFolderUnwritable(path);
}

}  // namespace kelm::posix
