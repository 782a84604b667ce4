// The checksum run: open check, the CRC-32 pass over the stream, the four digest passes.
#include "engine/checksums.h"

#include <cstdint>

#include "engine/crc32.h"
#include "engine/read_buffer.h"
#include "engine/render.h"
#include "engine/text.h"

namespace tav {

namespace {

constexpr std::size_t kCrcRead = 256 * 1024;
constexpr int kOpeningSteps = 20;
constexpr int kBudget = 100;

void DigestPass(AppState& state, UiOps& ui, ChecksumPlatform& platform, Slot slot) {
  const std::optional<Digest> digest = platform.DigestFile(slot, state.selectedPath);
  if (!digest) return;
  RenderDigest(digest->Bytes(), state.Result(slot), kResultCapacity, state.progressCounter,
               InfoOf(slot).progressCap, ui);
}

}  // namespace

bool ComputeCrc32(std::FILE* stream, char16_t* out) {
  ClearText(out, kResultCapacity);
  // The CRC is the same for any chunking, so this pass reads in units far larger than its
  // 32 KiB chunk: a request at least as large as the stream's own buffer goes from the
  // kernel straight into ours, one read(2) each, with no copy through the stream's buffer.
  // Small reads would make the system calls cost more than the CRC itself; this size still
  // fits the second-level cache, so the CRC runs over data that the copy left there.
  const ReadBuffer buffer(kCrcRead);
  std::uint32_t crc = 0;
  for (;;) {
    const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), stream);
    if (got == 0) break;
    crc = Crc32(crc, buffer.data(), got);
  }
  if (std::ferror(stream)) return false;
  RenderCrc32(crc, out, kResultCapacity);
  return true;
}

void ComputeMd5(AppState& state, UiOps& ui, ChecksumPlatform& platform) {
  DigestPass(state, ui, platform, Slot::Md5);
}

void ComputeSha(AppState& state, UiOps& ui, ChecksumPlatform& platform, Slot slot) {
  DigestPass(state, ui, platform, slot);
}

void RunChecksums(AppState& state, UiOps& ui, ChecksumPlatform& platform) {
  ui.SetProgressPos(0);
  state.progressCounter = 0;

  Stream stream = platform.OpenStream(state.selectedPath);
  if (!stream) {
    ui.ShowMessage(kMissingFileText, kMissingFileCaption, MessageIcon::Warning);
    return;
  }

  while (state.progressCounter < kOpeningSteps) {
    ui.StepProgress();
    ++state.progressCounter;
  }

  char16_t crcText[kResultCapacity];
  ComputeCrc32(stream.get(), crcText);
  CopyText(state.Result(Slot::Crc32), kResultCapacity, TextView(crcText, kResultCapacity));
  ui.SetText(ResultDisplay(Slot::Crc32), state.Result(Slot::Crc32));
  stream.reset();

  ComputeMd5(state, ui, platform);
  ui.SetText(ResultDisplay(Slot::Md5), state.Result(Slot::Md5));
  for (Slot slot : {Slot::Sha1, Slot::Sha256, Slot::Sha512}) {
    ComputeSha(state, ui, platform, slot);
    ui.SetText(ResultDisplay(slot), state.Result(slot));
  }

  if (state.progressCounter < kBudget) {
    for (int i = state.progressCounter; i < kBudget; ++i) ui.StepProgress();
  }
  ui.SetProgressPos(kBudget);

  for (auto& text : state.results) ClearText(text, kResultCapacity);

  for (const SlotInfo& info : kSlots) ui.Enable(CopyButton(info.slot), true);
  ui.Enable(Control::CompareButton, true);
}

}  // namespace tav
