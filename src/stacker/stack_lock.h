// The stack lock: one process-wide re-entrant lock shared by the window thread (stack
// changes, hosted modules' Init and Quit, loading and unloading) and the playback thread
// (one whole chain run). It exists from its first use to the end of the process, so taking
// or releasing it never meets a missing lock.
#pragma once

#include <mutex>

std::recursive_mutex& StackLock();

using StackLockHold = std::lock_guard<std::recursive_mutex>;
