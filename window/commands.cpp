// Copy, file selection and command routing: the logic behind the shells' buttons and drops.
#include "window/commands.h"

#include <algorithm>

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

void ApplySelection(const AppState& state, UiOps& ui) {
  ui.SetText(Control::PathDisplay, state.selectedPath);
  ui.Enable(Control::RunButton, true);
  for (const SlotInfo& info : kSlots) ui.Enable(CopyButton(info.slot), false);
  ui.Enable(Control::CompareButton, false);
}

void SelectFileByDialog(AppState& state, UiOps& ui) {
  // The dialog writes straight into the selection, and a dialog that fails may leave
  // anything there (Windows puts the size it needed into the first unit of the path).
  char16_t path[kPathCapacity], title[kTitleCapacity];
  std::copy_n(state.selectedPath, kPathCapacity, path);
  std::copy_n(state.fileTitle, kTitleCapacity, title);
  const Choice choice = ui.ChooseFile(state.selectedPath, kPathCapacity, state.fileTitle,
                                      kTitleCapacity);
  if (choice == Choice::Chosen) {
    ApplySelection(state, ui);
    return;
  }
  std::copy_n(path, kPathCapacity, state.selectedPath);
  std::copy_n(title, kTitleCapacity, state.fileTitle);
  // Cut, or taken as shown, the name would select some other file; say what the run would
  // say of it.
  if (choice != Choice::Cancelled)
    ui.ShowMessage(kMissingFileText, kMissingFileCaption, MessageIcon::Warning);
}

void RefuseDroppedFile(UiOps& ui) {
  ui.ShowMessage(kMissingFileText, kMissingFileCaption, MessageIcon::Warning);
}

void AcceptDroppedPath(AppState& state, UiOps& ui, std::u16string_view path) {
  // A drop that names no file (a link dragged from a browser) has nothing to select: the
  // selection stays, and there is nothing to warn about.
  if (path.empty()) return;
  // Cut to what the selection holds, the path would name some other file or none: keep the
  // selection and say what the run would say of it, as the dialog does.
  if (path.size() >= kPathCapacity) {
    RefuseDroppedFile(ui);
    return;
  }
  CopyText(state.selectedPath, kPathCapacity, path);
  FileTitleOf(TextView(state.selectedPath, kPathCapacity), state.fileTitle, kTitleCapacity);
  ApplySelection(state, ui);
}

bool RouteCommand(AppState& state, UiOps& ui, ChecksumPlatform& platform, int id, int code) {
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
      RunChecksums(state, ui, platform);
      return true;
    case ID_COMPARE:
      CompareHashValue(state, ui);
      return true;
    default:
      return false;
  }
}

}  // namespace tav
