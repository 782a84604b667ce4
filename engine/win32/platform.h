// The Windows platform with a hook between its passes: the test seam for files that change.
#pragma once

#include <functional>
#include <memory>

#include "engine/platform.h"

namespace tav {

// The same platform as DefaultPlatform(), calling `beforePass` before each digest pass (MD5,
// SHA-1, SHA-256, SHA-512) opens the file.
std::unique_ptr<ChecksumPlatform> MakeWin32Platform(std::function<void(Slot)> beforePass);

}  // namespace tav
