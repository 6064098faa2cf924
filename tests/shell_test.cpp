// Shell commands that need no container: the play clock and its animation,
// the stop button, and the options.
#include "platform/headless.h"
#include "shell/app_state.h"
#include "shell/options.h"
#include "shell/play_timer.h"
#include "tests/test_support.h"

namespace {

class PlayTimerTest : public ProgramTest {
 protected:
  // Starts a play with the given limit and ticks until the animation stops;
  // returns the number of ticks.
  int TicksUntilStop(std::uint32_t limitMs) {
    appState.durationMs = limitMs;
    StartPlayAnimation();
    int ticks = 0;
    while (appState.animRunning == 1 && ticks < 10000) {
      OnPlayTimerTick();
      ++ticks;
    }
    return ticks;
  }
};

TEST_F(PlayTimerTest, AnimationStopsWhenTheClockPassesTheLimit) {
  EXPECT_EQ(TicksUntilStop(2000), 14);  // a 2.9 s wave: limit 2000, about 1.96 s
  EXPECT_EQ(TicksUntilStop(1000), 7);   // clock 1120 at the 7th tick
  EXPECT_EQ(TicksUntilStop(0), 1);
  EXPECT_EQ(appState.animClockMs, 140);
  EXPECT_EQ(HeadlessCallsOf("timer-start").back(), "1 140");
}

TEST_F(PlayTimerTest, FramesCycleFromTwoAfterTheFirstRound) {
  HeadlessReset(programFolder + PATH_SEPARATOR + "Korvel_Player.exe", documentsFolder);
  TicksUntilStop(140 * 14);  // 14 ticks: 12 frames, then 2 and 3
  std::vector<std::string> pictures = HeadlessCallsOf("picture");
  std::vector<std::string> expected;
  for (int f = 1; f <= 12; ++f) expected.push_back(std::to_string(2300 + 100 * f));
  for (int f = 2; f <= 3; ++f) expected.push_back(std::to_string(2300 + 100 * f));
  expected.push_back("2300");  // the idle picture when it stops
  EXPECT_EQ(pictures, expected);
  // The next play continues with the frame after the last one shown.
  HeadlessReset(programFolder + PATH_SEPARATOR + "Korvel_Player.exe", documentsFolder);
  TicksUntilStop(0);
  EXPECT_EQ(HeadlessCallsOf("picture").front(), "2700");
}

TEST_F(PlayTimerTest, ReplayUsesItsOwnLimit) {
  appState.replayMode = 1;
  appState.replayDurationMs = 1000;
  StartPlayAnimation();
  appState.durationMs = 60000;  // an external play in between does not matter
  int ticks = 0;
  while (appState.animRunning == 1) {
    OnPlayTimerTick();
    ++ticks;
  }
  EXPECT_EQ(ticks, 7);
}

TEST_F(PlayTimerTest, StopButtonEndsTheSoundOnlyWhilePlaying) {
  HeadlessReset(programFolder + PATH_SEPARATOR + "Korvel_Player.exe", documentsFolder);
  StartPlayAnimation();
  StopPlayback();
  EXPECT_EQ(appState.animRunning, 0);
  EXPECT_EQ(HeadlessCallsOf("sound-resource"), std::vector<std::string>{"400"});
  EXPECT_TRUE(HeadlessCallsOf("beep").empty());
  StopPlayback();
  EXPECT_EQ(HeadlessCallsOf("beep"), std::vector<std::string>{"default"});
  EXPECT_EQ(HeadlessCallsOf("sound-resource").size(), 1u);
}

TEST_F(ProgramTest, OptionsBeepAndNameTheNewSetting) {
  struct Case {
    void (*command)();
    std::int32_t* option;
    std::int32_t value;
    const char* text;
  } cases[] = {
      {SetExportAsPcm, &appState.exportAsPcm, 1, "Option set:  Export single wavs as pcm . . ."},
      {SetExportAsOriginal, &appState.exportAsPcm, 0, "Option set:  Export single wavs in original format . . ."},
      {SetExportAsOriginal, &appState.exportAsPcm, 0, "Option set:  Export single wavs in original format . . ."},
      {SetSaveInDocuments, &appState.saveInDocuments, 1,
       "Option Set: stored wav files will export to Documents\\KVP_Wavs"},
      {SetSaveInDefault, &appState.saveInDocuments, 0,
       "Option Set: stored wav files will export to default directory, Korvel_Player\\Export"},
  };
  for (const Case& c : cases) {
    HeadlessReset(programFolder + PATH_SEPARATOR + "Korvel_Player.exe", documentsFolder);
    c.command();
    EXPECT_EQ(*c.option, c.value) << c.text;
    EXPECT_EQ(HeadlessCallsOf("beep"), std::vector<std::string>{"asterisk"});
    EXPECT_EQ(PlatformGetWindowText(appState.hwndStatus), c.text);
  }
}

}  // namespace
