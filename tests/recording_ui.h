// A recording double of the window operations: every call logged, texts and states kept.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/ui_ops.h"
#include "engine/text.h"
#include "window/layout.h"

namespace tav::testing {

struct Shown {
  std::u16string text, caption;
  MessageIcon icon;
};

class RecordingUi : public UiOps {
 public:
  RecordingUi() {
    // Controls start as the window creates them.
    for (const ControlSpec& c : kControlLayout) {
      if (c.role == kNoRole) continue;
      enabled[c.role] = StartsEnabled(c);
      if (c.text) texts[c.role] = c.text;
    }
  }

  void SetText(Control c, const char16_t* text) override {
    texts[Index(c)] = text;
    log.push_back(u"set " + Name(c) + u" " + texts[Index(c)]);
  }
  std::size_t ReadText(Control c, char16_t* dest, std::size_t capacity) override {
    CopyText(dest, capacity, texts[Index(c)]);
    log.push_back(u"read " + Name(c));
    return TextLength(dest, capacity);
  }
  void Enable(Control c, bool on) override {
    enabled[Index(c)] = on;
    log.push_back((on ? u"enable " : u"disable ") + Name(c));
  }
  void SetProgressPos(int position) override {
    progress = position;
    log.push_back(u"pos " + Number(position));
  }
  void StepProgress() override {
    ++steps;
    if (progress < 100) ++progress;
    log.push_back(u"step");
  }
  void SelectAll(Control c) override {
    selected = Index(c);
    log.push_back(u"select-all " + Name(c));
  }
  void CopySelection(Control c) override {
    if (selected == Index(c)) clipboard = texts[Index(c)];
    log.push_back(u"copy " + Name(c));
  }
  void ShowMessage(const char16_t* text, const char16_t* caption, MessageIcon icon) override {
    messages.push_back({text, caption, icon});
    log.push_back(u"message");
  }
  Choice ChooseFile(char16_t* path, std::size_t pathCap, char16_t* title,
                    std::size_t titleCap) override {
    dialogStartedAt = std::u16string(TextView(path, pathCap));
    log.push_back(u"dialog");
    if (!nextChoice) return Choice::Cancelled;
    CopyText(path, pathCap, nextChoice->first);
    CopyText(title, titleCap, nextChoice->second);
    nextChoice.reset();
    return Choice::Chosen;
  }

  const std::u16string& Text(Control c) const { return texts[Index(c)]; }
  bool Enabled(Control c) const { return enabled[Index(c)]; }
  int Count(const std::u16string& entry) const {
    int n = 0;
    for (const auto& e : log) n += e == entry;
    return n;
  }

  std::u16string texts[kControlCount];
  bool enabled[kControlCount] = {};
  int progress = 0;
  int steps = 0;
  int selected = -1;
  std::u16string clipboard;
  std::vector<Shown> messages;
  std::vector<std::u16string> log;
  std::optional<std::pair<std::u16string, std::u16string>> nextChoice;  // path, title
  std::u16string dialogStartedAt;

 private:
  static int Index(Control c) { return static_cast<int>(c); }
  static std::u16string Name(Control c) {
    static const char16_t* const kNames[kControlCount] = {
        u"path", u"input", u"crc32", u"md5", u"sha1", u"sha256", u"sha512",
        u"copy-crc32", u"copy-md5", u"copy-sha1", u"copy-sha256", u"copy-sha512",
        u"compare", u"run", u"progress"};
    return kNames[Index(c)];
  }
  static std::u16string Number(int v) {
    std::string s = std::to_string(v);
    return std::u16string(s.begin(), s.end());
  }
};

}  // namespace tav::testing
