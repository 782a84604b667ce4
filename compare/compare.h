// The compare command: a pasted value against the five displayed checksums.
#pragma once

#include <cstddef>

#include "app/ui_ops.h"
#include "engine/slots.h"

namespace tav {

inline constexpr const char16_t* kMatchCaption = u"일치하는 해시 값이 있습니다";
inline constexpr const char16_t* kNoMatchText = u"일치하는 해시값이 없습니다";

// Longest match message: a 259-unit file title, a 128-unit value, 25 units of fixed text.
inline constexpr std::size_t kMatchMessageCapacity = 413;

// "<title> 파일에 <label>해시 값 <value> 와 일치합니다", cut to the capacity above.
void FormatMatchMessage(Slot slot, const char16_t* title, const char16_t* value,
                        char16_t* out);

// Reads the compare box and the five displays, reports the first slot (in slot order) whose
// text equals the input exactly, then clears the working texts. An empty display is a pass
// that failed, not a value, and never matches; nor does an input too long to hold.
void CompareHashValue(AppState& state, UiOps& ui);

}  // namespace tav
