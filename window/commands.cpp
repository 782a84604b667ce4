// Copy, file selection and command routing: the logic behind the shells' buttons and drops.
#include "window/commands.h"

#include "compare/compare.h"
#include "engine/checksums.h"
#include "engine/text.h"

namespace tav {

namespace {

constexpr std::u16string_view kCopyMessages[kSlotCount] = {
    u"CRC32 해시 값이 클립보드에 복사되었습니다\n복사된 값을 붙여 넣으려면 Ctrl + V키를 누르거나 마우스 오른쪽으로 메뉴를 호출 한뒤에 '붙여넣기'로 값을 붙여넣기 할수 있습니다",
    u"MD5 해시 값이 클립보드에 복사되었습니다\n복사된 값을 붙여 넣으려면 Ctrl + V키를 누르거나 마우스 오른쪽으로 메뉴를 호출 한뒤에 '붙여넣기'로 값을 붙여넣기 할수 있습니다",
    u"SHA-1 해시 값이 클립보드에 복사되었습니다\n복사된 값을 붙여 넣으려면 Ctrl + V키를 누르거나 마우스 오른쪽으로 메뉴를 호출 한뒤에 '붙여넣기'로 값을 붙여넣기 할수 있습니다",
    u"SHA-256 해시 값이 클립보드에 복사되었습니다\n복사된 값을 붙여 넣으려면 Ctrl + V키를 누르거나 마우스 오른쪽으로 메뉴를 호출 한뒤에 '붙여넣기'로 값을 붙여넣기 할수 있습니다",
    u"SHA-512 해시 값이 클립보드에 복사되었습니다\n복사된 값을 붙여 넣으려면 Ctrl + V키를 누르거나 마우스 오른쪽으로 메뉴를 호출 한뒤에 '붙여넣기'로 값을 붙여넣기 할수 있습니다",
};

}  // namespace

std::u16string_view CopyMessage(Slot slot) { return kCopyMessages[IndexOf(slot)]; }

void CopyResultText(UiOps& ui, Slot slot) {
  ui.SelectAll(ResultDisplay(slot));
  ui.CopySelection(ResultDisplay(slot));
  // The message texts are literals, so the view is terminated.
  ui.ShowMessage(CopyMessage(slot).data(), kCopyCaption, MessageIcon::None);
}

void FileTitleOf(std::u16string_view path, char16_t* title, std::size_t capacity) {
  std::size_t start = 0;
  if (path.size() >= 2 && path[1] == u':' &&
      ((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z')))
    start = 2;
  const std::size_t sep = path.find_last_of(u"\\/");
  if (sep != std::u16string_view::npos && sep + 1 > start) start = sep + 1;
  CopyText(title, capacity, path.substr(start));
}

void ApplySelection(const AppState& state, UiOps& ui) {
  ui.SetText(Control::PathDisplay, state.selectedPath);
  ui.Enable(Control::RunButton, true);
  for (const SlotInfo& info : kSlots) ui.Enable(CopyButton(info.slot), false);
  ui.Enable(Control::CompareButton, false);
}

void SelectFileByDialog(AppState& state, UiOps& ui) {
  if (!ui.ChooseFile(state.selectedPath, kPathCapacity, state.fileTitle, kTitleCapacity))
    return;
  ApplySelection(state, ui);
}

void AcceptDroppedPath(AppState& state, UiOps& ui, std::u16string_view path) {
  CopyText(state.selectedPath, kPathCapacity, path);
  ClearText(state.fileTitle, kTitleCapacity);
  FileTitleOf(TextView(state.selectedPath, kPathCapacity), state.fileTitle, kTitleCapacity);
  ApplySelection(state, ui);
}

bool RouteCommand(AppState& state, UiOps& ui, int id, int code) {
  if (code != 0) return false;
  switch (id) {
    case ID_BROWSE:
      SelectFileByDialog(state, ui);
      return true;
    case ID_COPY_CRC32:
    case ID_COPY_MD5:
    case ID_COPY_SHA1:
    case ID_COPY_SHA256:
    case ID_COPY_SHA512:
      CopyResultText(ui, SlotAt(id - ID_COPY_CRC32));
      return true;
    case ID_RUN:
      RunChecksums(state, ui);
      return true;
    case ID_COMPARE:
      CompareHashValue(state, ui);
      return true;
    default:
      return false;
  }
}

}  // namespace tav
