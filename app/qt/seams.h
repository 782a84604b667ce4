// Test seams of the Qt shell: a chooser without a dialog, a message hook that never blocks, an emulator.
#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "app/ui_ops.h"

namespace tav::qt {

// The open-file dialog's stand-in. While a next file name is set, the next ChooseFile takes it
// instead of showing a dialog (an empty name stands for Cancel) and records where the dialog
// would have started.
class FileChooserSeam {
 public:
  static void SetNextFileName(const QString& name) { next_ = name; }
  static void Clear() {
    next_.reset();
    lastStart_.clear();
  }
  static bool HasNext() { return next_.has_value(); }
  static QString TakeNext(const QString& startPath) {
    lastStart_ = startPath;
    QString name = *next_;
    next_.reset();
    return name;
  }
  // The path the last seamed dialog was started from.
  static const QString& LastStart() { return lastStart_; }

 private:
  static inline std::optional<QString> next_;
  static inline QString lastStart_;
};

// Where message boxes go instead of the screen while set: caption, text and icon are handed
// over and the call returns at once, as if the user had pressed OK.
using MessageHook =
    std::function<void(const QString& caption, const QString& text, MessageIcon icon)>;

class MessageSeam {
 public:
  static void SetHook(MessageHook hook) { hook_ = std::move(hook); }
  static void Clear() { hook_ = nullptr; }
  static const MessageHook& Hook() { return hook_; }

 private:
  static inline MessageHook hook_;
};

// The program the background decoder (a copy of the running program) is started through: empty
// for the program itself. A suite run under an emulator (qemu-user, with no handler that runs
// foreign programs by itself) names the emulator, which then runs the suite's own file.
class DecoderLauncherSeam {
 public:
  static void Set(const QString& program) { program_ = program; }
  static const QString& Program() { return program_; }

 private:
  static inline QString program_;
};

}  // namespace tav::qt
