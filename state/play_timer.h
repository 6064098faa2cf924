// The play clock and its bar animation. While a wave plays, timer 1 of the
// main window ticks every 140 ms: each tick shows the next animation frame
// and advances the clock, and once the clock passes the duration limit the
// animation stops. The sound itself plays on in the platform's sound service;
// only a new sound request ends it.
#pragma once

// Starts timer 1 and the animation (the callers stop a running one first).
void StartPlayAnimation();
// One tick of timer 1.
void OnPlayTimerTick();
// Stops timer 1 and shows the idle picture; the sound goes on.
void StopPlayAnimation();
// The same, when the animation runs; else nothing.
void StopPlayAnimationIfRunning();
// The "[]" button: stops the animation and ends the sound, or beeps when idle.
void StopPlayback();
