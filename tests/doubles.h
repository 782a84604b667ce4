// Test doubles of what the core is handed: the window operations, recorded, and a stand-in for
// the file system and the digest providers, so the core runs without a window or a platform.
#pragma once

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "app/ui_ops.h"
#include "engine/checksums.h"
#include "engine/platform.h"
#include "engine/text.h"
#include "window/layout.h"

namespace tav::testing {

struct Shown {
  std::u16string text, caption;
  MessageIcon icon;
};

// Keeps what the real controls would show and logs every call in order, naming controls as the
// layout table does.
class RecordingUi : public UiOps {
 public:
  RecordingUi() {
    for (const ControlSpec& c : kControlLayout)
      if (c.role != kNoRole) names[c.role] = Utf8ToUtf16(c.objectName);
  }
  void SetText(Control c, const char16_t* text) override { Log(u"set ", c) += u" " + (Text(c) = text); }
  std::size_t ReadText(Control c, char16_t* dest, std::size_t capacity) override {
    Log(u"read ", c);
    CopyText(dest, capacity, Text(c));  // cut to the destination, as GetWindowTextW cuts
    return Text(c).size();
  }
  void Enable(Control c, bool on) override { Log(on ? u"enable " : u"disable ", c); }
  // Logged with where the bar stood before: full after a run's 100 steps.
  void SetProgressPos(int p) override {
    log.push_back(u"pos " + Utf8ToUtf16(std::to_string(p) + " from " + std::to_string(position)));
    position = p;
  }
  // A step past the bar's maximum of 100 starts it over, as the real bar does.
  void StepProgress() override { position = position >= 100 ? 0 : position + 1; log.push_back(u"step"); }
  void SelectAll(Control c) override { Log(u"select-all ", c); selected = int(c); }
  // Only the selection is copied, and an empty one leaves the clipboard as it was.
  void CopySelection(Control c) override {
    Log(u"copy ", c);
    if (selected == int(c) && !Text(c).empty()) clipboard = Text(c);
  }
  void ShowMessage(const char16_t* text, const char16_t* caption, MessageIcon icon) override {
    messages.push_back({text, caption, icon});
    log.push_back(u"message");
  }
  // Answers with `choice`. A dialog that fails may leave anything in the path and the title:
  // Windows' puts the size it needed into the path's first unit.
  Choice ChooseFile(char16_t* path, std::size_t pathCap, char16_t* title, std::size_t titleCap) override {
    log.push_back(u"dialog from " + std::u16string(TextView(path, pathCap)));
    CopyText(title, titleCap, choiceTitle);
    CopyText(path, pathCap, choice == Choice::Chosen ? choicePath : u"\x0105:\\junk");
    return choice;
  }
  std::u16string& Text(Control c) { return texts[int(c)]; }

  std::u16string names[kControlCount], texts[kControlCount], clipboard, choicePath, choiceTitle;
  int position = 0, selected = -1;
  Choice choice = Choice::Cancelled;
  std::vector<Shown> messages;
  std::vector<std::u16string> log;

 private:
  std::u16string& Log(const char16_t* what, Control c) { return log.emplace_back(what + names[int(c)]); }
};

// The selected file holds "abc", unless it is `missing`: its CRC-32 is read from the stream
// the run opened, each digest slot answers with its digest length of 0xAB bytes; a slot in
// `failing` gives nothing, and `changed` says the file changed between reads.
struct FakePlatform final : ChecksumPlatform {
  Stream OpenStream(const char16_t*) override {
    if (missing) return Stream();
    Stream f(std::tmpfile());
    std::fputs("abc", f.get());
    std::rewind(f.get());
    return f;
  }
  FileChecksums Checksums(Stream stream, const char16_t*) override {
    FileChecksums sums;
    sums.changed = changed;
    for (const SlotInfo& info : kSlots) {
      if (failing.count(info.slot)) continue;
      Digest digest;
      for (std::uint8_t& byte : digest.Resize(InfoOf(info.slot).digestBytes)) byte = 0xAB;
      if (info.slot == Slot::Crc32) digest = Crc32Digest(ComputeCrc32(stream.get()).value_or(0));
      sums.values[IndexOf(info.slot)] = digest;
    }
    return sums;
  }
  bool missing = false, changed = false;
  std::set<Slot> failing;
};

}  // namespace tav::testing
