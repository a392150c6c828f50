// The two process-wide locks of the capture unit.
//
// RecordedLock guards the queue of recorded buffers (capture thread and playback thread);
// MarksLock guards the pending push-to-talk marks (window thread and capture thread). Each
// is held only for the queue operations themselves and the two are never held together.
// Both are created on first use and live until the process ends: the window thread may
// still queue a mark, and the playback thread take a buffer, after a capture thread has
// ended, so a lock must never be destroyed under them.
#pragma once

#include <mutex>

std::mutex& RecordedLock();
std::mutex& MarksLock();
