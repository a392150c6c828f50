// PttPad: what the push-to-talk pad does with the user's input.
//
// Owned by the control window, used on the window thread. The pad is pressed by a mouse
// button or by Enter/Space while it has the focus, released by the matching mouse-up or
// key-up on it, and toggled by the "Hold" button. Each operation answers the push-to-talk
// event to queue on the capture thread (1 on, 0 off), if any. Losing the focus or the mouse
// releases nothing: the pad stays pressed until a release reaches it.
#pragma once

#include <cstdint>
#include <optional>

inline constexpr int kPttKeyEnter = 13;
inline constexpr int kPttKeySpace = 32;

class PttPad {
public:
    using Event = std::optional<uint8_t>;

    Event MouseDown();
    Event MouseUp();
    // Key repeat arrives as further key-downs; they queue nothing while pressed.
    Event KeyDown(int virtualKey);
    Event KeyUp(int virtualKey);
    // Inverts the pad and always queues the new state.
    Event Hold();
    // Releases the pad without queueing anything (the window's "Reset").
    void Clear() { pressed_ = false; }

    bool Pressed() const { return pressed_; }

private:
    static bool Counts(int virtualKey) { return virtualKey == kPttKeyEnter || virtualKey == kPttKeySpace; }
    Event Press();
    Event Release();

    bool pressed_ = false;
};

// Where the pad's parts go for a pad of `width` x `height` whose caption measures
// `textWidth` x `textHeight`. Rectangles are left, top, right, bottom (right and bottom
// exclusive).
struct PadRect {
    int Left, Top, Right, Bottom;
    bool operator==(const PadRect&) const = default;
};

struct PttPadLayout {
    PadRect Frame;         // the push-button frame
    bool Pushed;           // draw the frame pushed in
    bool FocusDecoration;  // outline of the whole pad and a dotted focus rectangle
    PadRect Outline;
    PadRect FocusRect;
    int CaptionX, CaptionY;
    PadRect CaptionClip;   // the caption is clipped here, its background filled
};

PttPadLayout LayOutPttPad(int width, int height, bool focused, bool pressed, int textWidth, int textHeight);
