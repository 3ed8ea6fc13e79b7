#pragma once
// Why a path cannot serve as a file to read or write, in a user's words, on POSIX systems.

#include <string>

#include "platform/file_store.h"

namespace kelm::posix {

// Empty when nothing stands in the way (see platform::FileStore::WhyUnusable).
std::string WhyPathUnusable(const std::string& path, platform::PathUse use);

}  // namespace kelm::posix
