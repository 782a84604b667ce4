// The compare command: exact, case-sensitive equality against the displays, first match wins.
#include "compare/compare.h"

#include "engine/text.h"

namespace tav {

void FormatMatchMessage(Slot slot, const char16_t* title, const char16_t* value,
                        char16_t* out) {
  ClearText(out, kMatchMessageCapacity);
  // Built piece by piece so that an overlong part is cut instead of dropping the rest.
  const std::u16string_view parts[] = {
      TextView(title, kTitleCapacity), u" 파일에 ", InfoOf(slot).label, u"해시 값 ",
      TextView(value, kResultCapacity), u" 와 일치합니다"};
  std::size_t used = 0;
  for (std::u16string_view part : parts) {
    const std::size_t room = kMatchMessageCapacity - 1 - used;
    const std::size_t n = part.size() < room ? part.size() : room;
    part.copy(out + used, n);
    used += n;
  }
  out[used] = 0;
}

void CompareHashValue(AppState& state, UiOps& ui) {
  // A value longer than the input holds is read cut, and its cut start is not what the user
  // entered: it can match nothing, however the cut start compares.
  const bool inputFits =
      ui.ReadText(Control::CompareInput, state.compareInput, kCompareCapacity) < kCompareCapacity;
  for (const SlotInfo& info : kSlots)
    ui.ReadText(ResultDisplay(info.slot), state.Result(info.slot), kResultCapacity);

  const std::u16string_view input = TextView(state.compareInput, kCompareCapacity);
  const SlotInfo* match = nullptr;
  for (const SlotInfo& info : kSlots) {
    const std::u16string_view shown = TextView(state.Result(info.slot), kResultCapacity);
    if (inputFits && !shown.empty() && shown == input) {
      match = &info;
      break;
    }
  }

  if (match) {
    char16_t message[kMatchMessageCapacity];
    FormatMatchMessage(match->slot, state.fileTitle, state.Result(match->slot), message);
    ui.ShowMessage(message, kMatchCaption, MessageIcon::None);
  } else {
    ui.ShowMessage(kNoMatchText, kNoMatchText, MessageIcon::None);
  }

  ClearText(state.compareInput, kCompareCapacity);
  for (auto& text : state.results) ClearText(text, kResultCapacity);
}

}  // namespace tav
