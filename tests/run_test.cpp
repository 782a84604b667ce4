// The checksum run over a stand-in platform: its operations in order, the 100-step budget
// whatever fails, and the missing-file warning.
#include <gtest/gtest.h>

#include <cstddef>
#include <tuple>

#include "engine/checksums.h"
#include "doubles.h"

namespace tav {
namespace {

// Every operation in order, the same on a second run: each display in slot order, its steps
// counted from the caps (20 before the first, the digests' steps up to their caps), never a step
// more; then the bar set full, the copy buttons of the values shown offered (an empty display has
// nothing to copy), the compare button while any value is shown, and a warning last that names
// what could not be computed. A value not computed leaves its display empty, and the later caps
// and the fill make up its steps, so the bar is full before the run sets it to 100: one step more
// and it would have started over. A file that changed between reads shows no value at all.
TEST(RunChecksums, OperationsInOrderAndOneHundredStepsWhateverFails) {
  const std::tuple<std::set<Slot>, bool, std::vector<int>, std::u16string> cases[] = {
      // failing, changed, steps taken at each display, the warning's text
      {{}, false, {20, 36, 56, 80, 100}, u""},
      {{Slot::Md5}, false, {20, 20, 40, 72, 100}, u"MD5" + std::u16string(kFailedValuesText)},
      {{Slot::Sha256}, false, {20, 36, 56, 56, 100}, u"SHA-256" + std::u16string(kFailedValuesText)},
      {{Slot::Crc32, Slot::Sha512}, false, {20, 36, 56, 80, 80}, u"CRC32, SHA-512" + std::u16string(kFailedValuesText)},
      {{}, true, {20, 20, 20, 20, 20}, kChangedFileText}};
  for (const auto& [failing, changed, stepsAtDisplay, warning] : cases) {
    SCOPED_TRACE(::testing::Message() << failing.size() << " failing, changed " << changed);
    testing::FakePlatform platform;
    platform.failing = failing;
    platform.changed = changed;
    AppState state;
    testing::RecordingUi ui;
    std::vector<std::u16string> expected = {u"pos 0 from 0"}, enables;
    int steps = 0;
    for (const SlotInfo& info : kSlots) {
      // "ab" for each 0xAB byte of a digest; nothing where no value was computed.
      const bool shown = !changed && !failing.count(info.slot);
      std::u16string text = info.slot == Slot::Crc32 ? u"352441c2" : u"";
      while (info.slot != Slot::Crc32 && text.size() < 2u * info.digestBytes) text += u"ab";
      expected.insert(expected.end(), stepsAtDisplay[IndexOf(info.slot)] - steps, u"step");
      steps = stepsAtDisplay[IndexOf(info.slot)];
      expected.push_back(u"set " + ui.names[int(ResultDisplay(info.slot))] + u" " + (shown ? text : u""));
      enables.push_back((shown ? u"enable " : u"disable ") + ui.names[int(CopyButton(info.slot))]);
    }
    expected.insert(expected.end(), 100 - steps, u"step");  // the fill
    expected.push_back(u"pos 100 from 100");
    expected.insert(expected.end(), enables.begin(), enables.end());
    expected.push_back(changed ? u"disable compareButton" : u"enable compareButton");
    if (!warning.empty()) expected.push_back(u"message");
    for (int run = 1; run <= 2; ++run) {
      ui.log.clear();
      ui.messages.clear();
      EXPECT_EQ(RunChecksums(state, ui, platform), warning.empty() ? RunOutcome::Complete : RunOutcome::Failed);
      EXPECT_EQ(ui.log, expected) << "run " << run;
      EXPECT_EQ(state.progressCounter, steps);  // the fill is not counted
      expected[0] = u"pos 0 from 100";
      // The working texts are cleared to the last unit; what the user sees is in the displays.
      for (const auto& text : state.results)
        EXPECT_EQ(std::u16string(text, kResultCapacity), std::u16string(kResultCapacity, 0));
      if (!warning.empty()) {
        EXPECT_EQ(std::tie(ui.messages.at(0).text, ui.messages.at(0).caption, ui.messages.at(0).icon),
                  std::make_tuple(warning, std::u16string(u"경고"), MessageIcon::Warning));
      }
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
  EXPECT_EQ(RunChecksums(state, ui, platform), RunOutcome::NotOpened);
  EXPECT_EQ(ui.log, (std::vector<std::u16string>{u"pos 0 from 100", u"message"}));
  EXPECT_EQ(ui.messages.at(0).icon, MessageIcon::Warning);
  EXPECT_EQ(state.progressCounter, 0);
  state.progressCounter = before.progressCounter;
  EXPECT_EQ(state, before);
}

}  // namespace
}  // namespace tav
