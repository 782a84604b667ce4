// The checksum run over a stand-in platform: its operations in order, the 100-step budget
// whatever fails, and the missing-file warning.
#include <gtest/gtest.h>

#include <cstddef>

#include "engine/checksums.h"
#include "doubles.h"

namespace tav {
namespace {

// Every operation in order, the same on a second run: each display right after its pass, its
// steps counted from the caps (20 before the first, the digests' steps up to their caps), never
// a step more; then the bar set full, the copy buttons and the compare button offered. A failed
// pass leaves its display empty, and the later caps and the fill make up its steps, so the bar
// is full before the run sets it to 100: one step more and it would have started over.
TEST(RunChecksums, OperationsInOrderAndOneHundredStepsWhateverFails) {
  const std::pair<std::set<Slot>, std::vector<int>> cases[] = {  // steps taken at each display
      {{}, {20, 36, 56, 80, 100}},
      {{Slot::Md5}, {20, 20, 40, 72, 100}},   {{Slot::Sha256}, {20, 36, 56, 56, 100}},
      {{Slot::Sha512}, {20, 36, 56, 80, 80}}, {{Slot::Md5, Slot::Sha1, Slot::Sha256, Slot::Sha512}, {20, 20, 20, 20, 20}}};
  for (const auto& [failing, stepsAtDisplay] : cases) {
    SCOPED_TRACE(::testing::Message() << failing.size() << " failing");
    testing::FakePlatform platform;
    platform.failing = failing;
    AppState state;
    testing::RecordingUi ui;
    std::vector<std::u16string> expected = {u"pos 0 from 0"}, enables;
    int steps = 0;
    for (const SlotInfo& info : kSlots) {
      // "ab" for each 0xAB byte of a digest; nothing where the pass failed.
      std::u16string shown = info.slot == Slot::Crc32 ? u"352441c2" : u"";
      while (!failing.count(info.slot) && shown.size() < 2u * info.digestBytes) shown += u"ab";
      expected.insert(expected.end(), stepsAtDisplay[IndexOf(info.slot)] - steps, u"step");
      steps = stepsAtDisplay[IndexOf(info.slot)];
      expected.push_back(u"set " + ui.names[int(ResultDisplay(info.slot))] + u" " + shown);
      enables.push_back(u"enable " + ui.names[int(CopyButton(info.slot))]);
    }
    expected.insert(expected.end(), 100 - steps, u"step");  // the fill
    expected.push_back(u"pos 100 from 100");
    expected.insert(expected.end(), enables.begin(), enables.end());
    expected.push_back(u"enable compareButton");
    for (int run = 1; run <= 2; ++run) {
      ui.log.clear();
      RunChecksums(state, ui, platform);
      EXPECT_EQ(ui.log, expected) << "run " << run;
      EXPECT_EQ(state.progressCounter, steps);  // the fill is not counted
      expected[0] = u"pos 0 from 100";
      // The working texts are cleared to the last unit; what the user sees is in the displays.
      for (const auto& text : state.results)
        EXPECT_EQ(std::u16string(text, kResultCapacity), std::u16string(kResultCapacity, 0));
    }
  }
}

// A file that cannot be opened: the bar and the counter go back to 0, the warning, no more.
TEST(RunChecksums, MissingFileWarnsAndChangesNothingElse) {
  testing::FakePlatform platform;
  AppState state;
  testing::RecordingUi ui;
  RunChecksums(state, ui, platform);
  platform.missing = true;
  const AppState before = state;
  ui.log.clear();
  RunChecksums(state, ui, platform);
  EXPECT_EQ(ui.log, (std::vector<std::u16string>{u"pos 0 from 100", u"message"}));
  EXPECT_EQ(ui.messages.at(0).icon, MessageIcon::Warning);
  EXPECT_EQ(state.progressCounter, 0);
  state.progressCounter = before.progressCounter;
  EXPECT_EQ(state, before);
}

}  // namespace
}  // namespace tav
