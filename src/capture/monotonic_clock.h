// The monotonic clock shared by the capture thread (when a recorded buffer arrived) and the
// mixer (how old the newest recorded audio is): the performance counter, in seconds. It
// never jumps when the wall clock is set.
#pragma once

double MonotonicSecondsNow();
