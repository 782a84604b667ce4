// The console provider's operations: texts kept in memory, a trace line per call when asked.
#include "app/cli/console_ui.h"

#include "engine/text.h"

namespace tav {

const char* ControlName(Control control) {
  static const char* const kNames[kControlCount] = {
      "PathDisplay", "CompareInput", "ResultCrc32", "ResultMd5", "ResultSha1",
      "ResultSha256", "ResultSha512", "CopyCrc32", "CopyMd5", "CopySha1",
      "CopySha256", "CopySha512", "CompareButton", "RunButton", "ProgressBar"};
  return kNames[static_cast<int>(control)];
}

std::string ToUtf8(const char16_t* text) {
  // Shown, not opened: a held byte of a file name prints as a replacement character.
  std::string out;
  Utf16ToUtf8(ForDisplay(text), &out);
  return out;
}

std::string QuotedName(std::string_view name) {
  const std::u16string units = Utf8ToUtf16(name);
  std::string quoted;
  bool escaped = false;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t c = units[i];
    char code[16] = {};
    if (c >= 0xDC80 && c <= 0xDCFF) {  // a byte that is not part of UTF-8
      std::snprintf(code, sizeof code, "\\x%02X", c - 0xDC00);
    } else if (c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) ||
               (c >= 0x2066 && c <= 0x2069) || c == 0x2028 || c == 0x2029) {
      std::snprintf(code, sizeof code, c < 0x80 ? "\\x%02X" : "\\u%04X", static_cast<unsigned>(c));
    } else if (c == u'\'' || c == u'\\') {
      code[0] = '\\', code[1] = static_cast<char>(c);
    } else {
      const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size();
      std::string utf8;
      Utf16ToUtf8(std::u16string_view(units).substr(i, pair ? 2 : 1), &utf8);
      quoted += utf8;
      i += pair;
      continue;
    }
    quoted += code;
    escaped = true;
  }
  if (!escaped) return "'" + quoted + "'";
  return "$'" + quoted + "'";
}

void ConsoleUi::SetText(Control control, const char16_t* text) {
  texts_[static_cast<int>(control)] = text;
  if (trace_) std::fprintf(trace_, "set-text %s \"%s\"\n", ControlName(control), ToUtf8(text).c_str());
}

std::size_t ConsoleUi::ReadText(Control control, char16_t* dest, std::size_t capacity) {
  const std::u16string& text = texts_[static_cast<int>(control)];
  CopyText(dest, capacity, text);
  if (trace_) std::fprintf(trace_, "read-text %s\n", ControlName(control));
  return text.size();
}

void ConsoleUi::Enable(Control control, bool on) {
  if (trace_) std::fprintf(trace_, "enable %s %s\n", ControlName(control), on ? "on" : "off");
}

void ConsoleUi::SetProgressPos(int position) {
  if (trace_) std::fprintf(trace_, "progress-pos %d\n", position);
}

void ConsoleUi::StepProgress() {
  if (trace_) std::fprintf(trace_, "progress-step\n");
}

void ConsoleUi::SelectAll(Control control) {
  if (trace_) std::fprintf(trace_, "select-all %s\n", ControlName(control));
}

void ConsoleUi::CopySelection(Control control) {
  if (trace_) std::fprintf(trace_, "copy-selection %s\n", ControlName(control));
}

void ConsoleUi::ShowMessage(const char16_t* text, const char16_t* caption, MessageIcon icon) {
  if (trace_)
    std::fprintf(trace_, "message-box %s \"%s\" \"%s\"\n",
                 icon == MessageIcon::Warning ? "warning" : "plain", ToUtf8(caption).c_str(),
                 ToUtf8(text).c_str());
  std::fprintf(stderr, "%s\n%s\n", ToUtf8(caption).c_str(), ToUtf8(text).c_str());
}

}  // namespace tav
