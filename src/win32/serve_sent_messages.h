// Waiting on the user-interface thread without looking hung: the work runs on
// a thread of its own while the calling thread answers the messages other
// threads and programs send to its windows (WM_GETTEXT, broadcasts). Posted
// messages and input stay queued, so no click or key is acted upon before the
// work has ended.
#pragma once

#include <functional>

namespace win32 {

// Runs `work` on a new thread and returns when it has ended. An exception
// that leaves `work` is dropped (logged). When no thread or event can be had,
// `work` runs on the calling thread.
void RunServingSentMessages(const std::function<void()>& work);

}  // namespace win32
