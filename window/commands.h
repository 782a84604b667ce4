// Commands both shells share: copying a result, choosing a file, and routing button clicks.
#pragma once

#include <cstddef>
#include <string_view>

#include "app/ui_ops.h"
#include "engine/platform.h"
#include "engine/slots.h"

namespace tav {

// Copy button of a slot: select the display's whole text, copy it, then say how to paste it.
void CopyResultText(UiOps& ui, Slot slot);
inline constexpr const char16_t* kCopyCaption = u"알림";
// "<label> 해시 값이 클립보드에 복사되었습니다\n복사된 값을 ..." for the slot.
std::u16string_view CopyMessage(Slot slot);

// Name plus extension of a path, with no drive or directory, written into `title` (cut to its
// capacity). The separators are the platform's own: on Windows '\\', '/' and a leading drive
// ("X:"), split as the C runtime splits paths; elsewhere '/' only, since a backslash is an
// ordinary character of a file name there.
void FileTitleOf(std::u16string_view path, char16_t* title, std::size_t capacity);

// Shows the selected path, enables the run button, disables the copy buttons (slot order)
// and then the compare button. The result displays keep the previous file's values.
void ApplySelection(const AppState& state, UiOps& ui);

// The browse button: the open-file dialog; on a choice, ApplySelection. Otherwise the
// selection stays exactly as it was, and a name too long to hold or shared by two files gets
// the missing-file warning, as the run would give for it.
void SelectFileByDialog(AppState& state, UiOps& ui);

// A dropped file (the first of a drop): the path and its file title become the selection,
// then ApplySelection. A path the selection cannot hold whole is refused (RefuseDroppedFile);
// an empty one (a drop that names no file, a web link) keeps the selection without a word.
void AcceptDroppedPath(AppState& state, UiOps& ui, std::u16string_view path);

// A dropped file that cannot be read here (a path too long to hold, a file on another host):
// the selection stays as it was, and the missing-file warning says what the run would say.
void RefuseDroppedFile(UiOps& ui);

// One entry for both shells: a command from control `id` with notification `code`. Only a
// click (code 0) on ids 101 to 108 acts; returns whether a handler ran. The run reads the
// file through `platform`.
bool RouteCommand(AppState& state, UiOps& ui, ChecksumPlatform& platform, int id, int code);

}  // namespace tav
