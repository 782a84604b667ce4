// The checksum passes and the run that drives them, the display and the progress budget.
#pragma once

#include <cstdio>

#include "app/ui_ops.h"
#include "engine/platform.h"
#include "engine/slots.h"

namespace tav {

// CRC-32 of everything left in `stream`, rendered into `out` (capacity kResultCapacity). The
// CRC is the same for any chunking, so the reads may be larger than the slot's 32768 bytes.
// A read error leaves `out` empty and returns false: the bytes before it are not the file's
// checksum. Neither opens nor closes the stream.
bool ComputeCrc32(std::FILE* stream, char16_t* out);

// Digest passes: each reads the selected file by itself and renders into its slot's result
// text (empty on entry), stepping the progress bar up to the slot's cap. ComputeSha takes
// the SHA-1, SHA-256 or SHA-512 slot.
void ComputeMd5(AppState& state, UiOps& ui, ChecksumPlatform& platform);
void ComputeSha(AppState& state, UiOps& ui, ChecksumPlatform& platform, Slot slot);

// The run button: the open check (or the missing-file warning), the five passes in slot
// order with each display set after its pass, the 100-step budget, then the copy and
// compare buttons enabled. The platform opens the file and computes the digests; whoever owns
// the window owns it and hands it in.
void RunChecksums(AppState& state, UiOps& ui, ChecksumPlatform& platform);

// The run's warning for a selection that cannot be opened as a file.
inline constexpr const char16_t* kMissingFileText =
    u"지정된 파일이 없습니다. 파일을 선택 한후에 해시섬 확인을 진행해 주세요";
inline constexpr const char16_t* kMissingFileCaption = u"경고";

}  // namespace tav
