// The checksum run: open check, the platform's five values, each display in slot order.
#include "engine/checksums.h"

#include <string>

#include "engine/crc32.h"
#include "engine/read_buffer.h"
#include "engine/render.h"
#include "engine/text.h"

namespace tav {

namespace {

constexpr std::size_t kCrcRead = 256 * 1024;
constexpr int kOpeningSteps = 20;
constexpr int kBudget = 100;

}  // namespace

std::optional<std::uint32_t> ComputeCrc32(std::FILE* stream) {
  // The CRC is the same for any chunking, so this reads in units far larger than the slot's
  // 32 KiB chunk: a request at least as large as the stream's own buffer goes from the kernel
  // straight into ours, one read each, with no copy through the stream's buffer. Small reads
  // would make the system calls cost more than the CRC itself; this size still fits the
  // second-level cache, so the CRC runs over data that the copy left there.
  const ReadBuffer buffer(kCrcRead);
  std::uint32_t crc = 0;
  for (;;) {
    const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), stream);
    if (got == 0) break;
    crc = Crc32(crc, buffer.data(), got);
  }
  if (std::ferror(stream)) return std::nullopt;
  return crc;
}

RunOutcome RunChecksums(AppState& state, UiOps& ui, ChecksumPlatform& platform) {
  ui.SetProgressPos(0);
  state.progressCounter = 0;

  Stream stream = platform.OpenStream(state.selectedPath);
  if (!stream) {
    ui.ShowMessage(kMissingFileText, kMissingFileCaption, MessageIcon::Warning);
    return RunOutcome::NotOpened;
  }

  while (state.progressCounter < kOpeningSteps) {
    ui.StepProgress();
    ++state.progressCounter;
  }

  // Every value is known before the first is shown; they are shown in slot order, each
  // digest's bytes taking their progress steps as they are rendered.
  const FileChecksums sums = platform.Checksums(std::move(stream), state.selectedPath);
  std::u16string failed;
  for (const SlotInfo& info : kSlots) {
    const std::optional<Digest>& value = sums.values[IndexOf(info.slot)];
    char16_t* text = state.Result(info.slot);
    if (sums.changed || !value) {
      if (!failed.empty()) failed += u", ";
      failed += info.label;
    } else if (info.slot == Slot::Crc32) {
      RenderCrc32(Crc32OfDigest(*value), text, kResultCapacity);
    } else {
      RenderDigest(value->Bytes(), text, kResultCapacity, state.progressCounter,
                   info.progressCap, ui);
    }
    ui.SetText(ResultDisplay(info.slot), text);
  }

  for (int i = state.progressCounter; i < kBudget; ++i) ui.StepProgress();
  ui.SetProgressPos(kBudget);

  // A copy button of an empty display would copy nothing and still say it had, while the
  // clipboard kept another file's value: it is offered only with a value to copy.
  bool anyShown = false;
  for (const SlotInfo& info : kSlots) {
    const bool shown = state.Result(info.slot)[0] != 0;
    ui.Enable(CopyButton(info.slot), shown);
    anyShown = anyShown || shown;
  }
  for (auto& text : state.results) ClearText(text, kResultCapacity);
  ui.Enable(Control::CompareButton, anyShown);

  // Said once everything is shown: an empty box is no checksum of this file.
  if (failed.empty()) return RunOutcome::Complete;
  const std::u16string message = sums.changed ? kChangedFileText : failed + kFailedValuesText;
  ui.ShowMessage(message.c_str(), kMissingFileCaption, MessageIcon::Warning);
  return RunOutcome::Failed;
}

}  // namespace tav
