// The checksum run that the run button starts: the open check, the five values, the display
// and the progress budget.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>

#include "app/ui_ops.h"
#include "engine/platform.h"
#include "engine/slots.h"

namespace tav {

// CRC-32 of everything left in `stream`. A read error gives nothing: the CRC of the bytes
// before it is not the file's. Neither opens nor closes the stream.
std::optional<std::uint32_t> ComputeCrc32(std::FILE* stream);

// How a run ended.
enum class RunOutcome {
  NotOpened,  // the selection could not be opened as a file: the missing-file warning
  Complete,   // all five values shown
  Failed,     // some value could not be computed (or the file changed): warned, its box empty
};

// The run button: the open check (or the missing-file warning), the five values, each display
// set in slot order with the 100-step budget, then the copy buttons of the values shown and the
// compare button enabled; a warning last if any value could not be computed. The platform
// opens the file and computes the values; whoever owns the window owns it and hands it in.
RunOutcome RunChecksums(AppState& state, UiOps& ui, ChecksumPlatform& platform);

// The run's warning for a selection that cannot be opened as a file.
inline constexpr const char16_t* kMissingFileText =
    u"지정된 파일이 없습니다. 파일을 선택 한후에 해시섬 확인을 진행해 주세요";
inline constexpr const char16_t* kMissingFileCaption = u"경고";
// Its warning when values could not be computed: behind the labels of those values.
inline constexpr const char16_t* kFailedValuesText =
    u" 해시 값을 계산하지 못했습니다. 파일을 읽는 중에 오류가 났거나 다른 프로그램이 파일을 "
    u"사용하고 있습니다. 잠시 후에 해시섬 확인을 다시 진행해 주세요";
// ...and when the file changed while it was read: no value is shown.
inline constexpr const char16_t* kChangedFileText =
    u"해시 값을 계산하는 동안 파일이 바뀌었습니다. 파일이 다 저장된 뒤에 해시섬 확인을 다시 "
    u"진행해 주세요";

}  // namespace tav
