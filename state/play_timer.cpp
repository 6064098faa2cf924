#include "state/play_timer.h"

#include "state/app_state.h"
#include "state/commands.h"
#include "state/feedback.h"

namespace {

constexpr int ANIMATION_FRAMES = 12;       // bitmaps 2400 ... 3500
constexpr int ANIMATION_FRAME_STEP = 100;  // resource numbers between frames
constexpr int IDLE_CLOCK_MS = 140;         // the clock's value whenever no play runs

}  // namespace

void StartPlayAnimation() {
  PlatformStartTimer(appState.hwndMain, PLAY_TIMER_ID, AppState::playTimerIntervalMs);
  appState.animRunning = 1;
}

void OnPlayTimerTick() {
  AppState& s = appState;
  ++s.animFrame;
  s.animClockMs += AppState::playTimerIntervalMs;
  if (s.animFrame >= 1 && s.animFrame <= ANIMATION_FRAMES) {
    s.currentBitmap = PlatformShowPicture(s.hwndAnimation, BMP_ANIMATION_IDLE + ANIMATION_FRAME_STEP * s.animFrame);
  }
  // Back to 1, not 0: after the first cycle the animation runs 2500 ... 3500,
  // and every play continues from the frame after the last one shown.
  if (s.animFrame > ANIMATION_FRAMES - 1) s.animFrame = 1;
  std::uint32_t limit = s.replayMode == 1 ? s.replayDurationMs : s.durationMs;
  if (static_cast<std::int64_t>(s.animClockMs) > static_cast<std::int64_t>(limit)) StopPlayAnimation();
}

void StopPlayAnimation() {
  AppState& s = appState;
  PlatformStopTimer(s.hwndMain, PLAY_TIMER_ID);
  s.animRunning = 0;
  s.currentBitmap = PlatformShowPicture(s.hwndAnimation, BMP_ANIMATION_IDLE);
  s.animClockMs = IDLE_CLOCK_MS;
}

void StopPlayAnimationIfRunning() {
  if (appState.animRunning == 1) StopPlayAnimation();
}

void StopPlayback() {
  if (appState.animRunning == 1) {
    StopPlayAnimation();
    PlayStartSound();
  } else {
    RefuseCommand();
  }
}
