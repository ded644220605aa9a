#pragma once

#include <functional>

// Runs `work` on a thread of its own while this thread's event loop goes on, and returns when it
// has ended: the windows keep painting and answering while a disk call waits for a password or
// the format tool runs. The caller makes sure that input meanwhile starts nothing else. Without
// an application object `work` simply runs on this thread.
void RunKeepingInterfaceAlive(const std::function<void()> &work);
