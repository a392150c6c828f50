// Push-to-talk hotkey names: "F9", "Ctrl+Shift+P", "Num5", as the setting PTTHotkey and the
// configuration dialog spell them, and the key chords they stand for.
//
// Keys: F1-F24, A-Z, 0-9, Pause, ScrollLock, Insert, Home, End, PageUp, PageDown, Num0-Num9,
// after any of the prefixes Ctrl+, Alt+, Shift+ and Win+. Names are read without regard to
// letter case or blanks around the '+', and written in one way: modifiers in the order Ctrl,
// Alt, Shift, Win, then the key as listed above.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Modifier bits, the values RegisterHotKey takes (MOD_ALT, MOD_CONTROL, MOD_SHIFT, MOD_WIN).
inline constexpr unsigned kHotkeyAlt = 0x1;
inline constexpr unsigned kHotkeyCtrl = 0x2;
inline constexpr unsigned kHotkeyShift = 0x4;
inline constexpr unsigned kHotkeyWin = 0x8;

struct HotkeyChord {
    unsigned Modifiers = 0;  // kHotkey... bits
    int VirtualKey = 0;      // Windows virtual-key code
    bool operator==(const HotkeyChord&) const = default;
};

// The chord a name stands for; nothing when it names no key of the list.
std::optional<HotkeyChord> ParseHotkeyName(std::string_view name);

// The name of a chord; empty when its key is not one of the list.
std::string HotkeyName(HotkeyChord chord);

// What the user is told when the hotkey cannot be had ("hotkey F9 is in use by another
// program"). `name` is the setting as written.
std::string HotkeyUnknownText(std::string_view name);
std::string HotkeyInUseText(std::string_view name);
std::string HotkeyFailedText(std::string_view name, unsigned long systemError);
