#include "ui/ptt_pad.h"

namespace {
constexpr uint8_t kOn = 1;
constexpr uint8_t kOff = 0;
constexpr int kCaptionInset = 5;
constexpr int kFocusInset = 3;
}  // namespace

PttPad::Event PttPad::Press() {
    if (pressed_) return std::nullopt;
    pressed_ = true;
    return kOn;
}

PttPad::Event PttPad::Release() {
    if (!pressed_) return std::nullopt;
    pressed_ = false;
    return kOff;
}

PttPad::Event PttPad::MouseDown() { return Press(); }
PttPad::Event PttPad::MouseUp() { return Release(); }
PttPad::Event PttPad::KeyDown(int virtualKey) { return Counts(virtualKey) ? Press() : std::nullopt; }
PttPad::Event PttPad::KeyUp(int virtualKey) { return Counts(virtualKey) ? Release() : std::nullopt; }

PttPad::Event PttPad::Hold() {
    pressed_ = !pressed_;
    return pressed_ ? kOn : kOff;
}

PttPadLayout LayOutPttPad(int width, int height, bool focused, bool pressed, int textWidth, int textHeight) {
    PttPadLayout layout{};
    layout.Frame = {0, 0, width, height};
    if (focused) {
        layout.Frame = {1, 1, width - 1, height - 1};
        // Pressed with the focus: the pushed frame keeps the full width and height on the
        // right and bottom, as a pushed button does.
        if (pressed) layout.Frame = {1, 1, width, height};
    }
    layout.Pushed = pressed;
    layout.FocusDecoration = focused;
    layout.Outline = {0, 0, width, height};
    const int shift = pressed ? 1 : 0;
    layout.FocusRect = {kFocusInset + shift, kFocusInset + shift, width - (kFocusInset + 1) + shift,
                        height - (kFocusInset + 1) + shift};
    layout.CaptionX = width / 2 - textWidth / 2 + shift;
    layout.CaptionY = height / 2 - textHeight / 2 - 1 + shift;
    layout.CaptionClip = {kCaptionInset, kCaptionInset, width - kCaptionInset, height - kCaptionInset};
    return layout;
}
