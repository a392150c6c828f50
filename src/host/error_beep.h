// The plug-in's audible error signal (the system's default beep). It goes through here so
// that tests can count beeps instead of hearing them.
#pragma once

#include <functional>

// Sounds MessageBeep(0), or calls the test's handler when one is set.
void SoundErrorBeep();

// Replaces the beep for tests; an empty handler restores the real one.
void SetErrorBeepHandler(std::function<void()> handler);
