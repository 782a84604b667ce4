// The Linux platform with its reads handed in: the test seam for read errors and growing files.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <memory>

#include "engine/platform.h"

namespace tav {

// read(2) as the platform calls it on the descriptor of the file being checksummed.
using SystemRead = std::function<ssize_t(int fd, void* buffer, std::size_t size)>;

// The same platform as DefaultPlatform(), reading the file through `read`.
std::unique_ptr<ChecksumPlatform> MakeOpenSslPlatform(SystemRead read);

}  // namespace tav
