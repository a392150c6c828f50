// Every message box of the plug-in goes through here, so tests can see what the user would
// be told instead of blocking on a modal box.
#pragma once

#include <functional>
#include <string>


// Shows `text` with `caption` and the platform's message-box `flags` (MB_*), owned by
// `owner` (a window handle or null). Returns the button the user chose (ID*).
int ShowMessageBox(void* owner, const std::string& text, const std::string& caption, unsigned flags);

// Replaces the message box for tests; an empty handler restores the real one.
using MessageBoxHandler =
    std::function<int(void* owner, const std::string& text, const std::string& caption, unsigned flags)>;
void SetMessageBoxHandler(MessageBoxHandler handler);
