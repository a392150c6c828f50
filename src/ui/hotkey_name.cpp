#include "ui/hotkey_name.h"

#include <array>
#include <cctype>

#include "base/same_letters.h"

namespace {

struct NamedKeys {
    const char* Prefix;  // "F" for F1-F24: the name is the prefix and a number
    int First;           // number of the first key (1 for F1, 0 for Num0)
    int Count;
    int FirstVirtualKey;
};

// Runs of keys whose names count up with their codes.
constexpr std::array<NamedKeys, 2> kNumberedKeys{{
    {"Num", 0, 10, 0x60},  // VK_NUMPAD0..9
    {"F", 1, 24, 0x70},    // VK_F1..F24
}};

struct SingleKey {
    const char* Name;
    int VirtualKey;
};
constexpr std::array<SingleKey, 7> kSingleKeys{{
    {"Pause", 0x13},
    {"ScrollLock", 0x91},
    {"Insert", 0x2D},
    {"Home", 0x24},
    {"End", 0x23},
    {"PageUp", 0x21},
    {"PageDown", 0x22},
}};

struct Modifier {
    const char* Name;
    unsigned Bit;
};
constexpr std::array<Modifier, 4> kModifiers{{
    {"Ctrl", kHotkeyCtrl}, {"Alt", kHotkeyAlt}, {"Shift", kHotkeyShift}, {"Win", kHotkeyWin}}};

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

// The virtual-key code of a key name, 0 when it is none of the list.
int KeyNamed(std::string_view name) {
    if (name.size() == 1) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;  // VK codes are the characters
        return 0;
    }
    for (const SingleKey& key : kSingleKeys) {
        if (SameLetters(name, key.Name)) return key.VirtualKey;
    }
    for (const NamedKeys& run : kNumberedKeys) {
        const std::string_view prefix = run.Prefix;
        if (name.size() <= prefix.size() || !SameLetters(name.substr(0, prefix.size()), prefix)) continue;
        const std::string_view digits = name.substr(prefix.size());
        if (digits.size() > 2 || (digits.front() == '0' && digits.size() > 1)) continue;
        int number = 0;
        bool allDigits = true;
        for (char c : digits) {
            if (c < '0' || c > '9') allDigits = false;
            number = number * 10 + (c - '0');
        }
        if (allDigits && number >= run.First && number < run.First + run.Count) {
            return run.FirstVirtualKey + number - run.First;
        }
    }
    return 0;
}

}  // namespace

std::optional<HotkeyChord> ParseHotkeyName(std::string_view name) {
    HotkeyChord chord;
    for (;;) {
        const size_t plus = name.find('+');
        const std::string_view part = Trimmed(name.substr(0, plus));
        if (plus == std::string_view::npos) {
            chord.VirtualKey = KeyNamed(part);
            if (chord.VirtualKey == 0) return std::nullopt;
            return chord;
        }
        unsigned bit = 0;
        for (const Modifier& modifier : kModifiers) {
            if (SameLetters(part, modifier.Name)) bit = modifier.Bit;
        }
        if (bit == 0 || (chord.Modifiers & bit) != 0) return std::nullopt;
        chord.Modifiers |= bit;
        name.remove_prefix(plus + 1);
    }
}

std::string HotkeyName(HotkeyChord chord) {
    std::string key;
    const int vk = chord.VirtualKey;
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) key = std::string(1, static_cast<char>(vk));
    for (const SingleKey& single : kSingleKeys) {
        if (single.VirtualKey == vk) key = single.Name;
    }
    for (const NamedKeys& run : kNumberedKeys) {
        if (vk >= run.FirstVirtualKey && vk < run.FirstVirtualKey + run.Count) {
            key = run.Prefix + std::to_string(vk - run.FirstVirtualKey + run.First);
        }
    }
    if (key.empty()) return key;
    std::string name;
    for (const Modifier& modifier : kModifiers) {
        if ((chord.Modifiers & modifier.Bit) != 0) name += std::string(modifier.Name) + "+";
    }
    return name + key;
}

std::string HotkeyUnknownText(std::string_view name) {
    return "hotkey \"" + std::string(name) + "\" is not a key name";
}

std::string HotkeyInUseText(std::string_view name) {
    return "hotkey " + std::string(name) + " is in use by another program";
}

std::string HotkeyFailedText(std::string_view name, unsigned long systemError) {
    return "hotkey " + std::string(name) + " cannot be registered (system error " + std::to_string(systemError) + ")";
}
