// hotkey_holder KEY FILE: another program holding a hotkey. Registers KEY (a key name as
// the plug-in's PTTHotkey takes it) for itself, prints "holding KEY", and keeps it until
// FILE exists; then it lets go and ends. Exit 2 on a bad command line, 3 when the key could
// not be registered.
#include <windows.h>

#include <cstdio>

#include "ui/hotkey_name.h"

namespace {
constexpr DWORD kFilePollMs = 50;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: hotkey_holder KEY FILE\n  holds the hotkey KEY (F9, Ctrl+F9, ...) until FILE exists\n");
        return 2;
    }
    const auto chord = ParseHotkeyName(argv[1]);
    if (!chord) {
        std::fprintf(stderr, "hotkey_holder: \"%s\" is not a key name\n", argv[1]);
        return 2;
    }
    if (!RegisterHotKey(nullptr, 1, chord->Modifiers, static_cast<UINT>(chord->VirtualKey))) {
        std::fprintf(stderr, "hotkey_holder: cannot register %s (error %lu)\n", argv[1], GetLastError());
        return 3;
    }
    std::printf("holding %s\n", argv[1]);
    std::fflush(stdout);
    while (GetFileAttributesA(argv[2]) == INVALID_FILE_ATTRIBUTES) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(kFilePollMs);
    }
    UnregisterHotKey(nullptr, 1);
    std::printf("released %s\n", argv[1]);
    return 0;
}
