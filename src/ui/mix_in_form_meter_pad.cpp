// The control window's level meter (with its show/hide double-click and the trigger lamp)
// and its push-to-talk pad.
#include <algorithm>

#include "core/mix_state.h"
#include "ui/meter_rows.h"
#include "ui/mix_in_form.h"
#include "ui/scrollable_paint_box.h"

namespace {
constexpr const char* kPadCaption = "Push To Talk";

RECT ToRect(const PadRect& r) { return RECT{r.Left, r.Top, r.Right, r.Bottom}; }
}  // namespace

void TMixInForm::MeterTick() {
    switch (meter_.Tick()) {
        case LevelMeter::TickResult::StopTimer:
            KillTimer(window_, kMeterTimerId);
            break;
        case LevelMeter::TickResult::Repaint:
            controls_.VUPaintBox->Invalidate();
            break;
        case LevelMeter::TickResult::Unchanged:
            break;
    }
}

void TMixInForm::ToggleMeter() {
    const bool shown = meter_.ToggleShown();
    MixState.SetSendNotifyWndRMS(shown);
    controls_.VUPaintBox->SetVisible(shown);
    ShowWindow(controls_.VUBevel, shown ? SW_SHOWNA : SW_HIDE);
    if (shown) {
        SetTimer(window_, kMeterTimerId, kMeterTimerMs, nullptr);
        controls_.VUPaintBox->Invalidate();
    } else {
        KillTimer(window_, kMeterTimerId);
    }
}

void TMixInForm::PaintMeter(PaintCanvas& canvas) {
    const MeterRows rows = MeterRowsFor(meter_.Bar, meter_.Peak);
    HDC dc = canvas.Handle();
    // The marker shows the colour scale at its own height; rows outside the surface are cut.
    const int markerFrom = std::max(rows.MarkerTop, 0);
    const int markerTo = std::min(rows.MarkerBottom, kMeterHeight);
    if (scaleDc_ != nullptr && markerFrom < markerTo) {
        BitBlt(dc, 0, markerFrom, kMeterWidth, markerTo - markerFrom, scaleDc_, 0, markerFrom, SRCCOPY);
    }
    const COLORREF surface = canvas.BrushColor();
    canvas.SetBrushColor(GetSysColor(COLOR_HIGHLIGHT));
    canvas.FillRect(RECT{0, rows.BarTop, kMeterWidth, kMeterHeight});
    canvas.SetBrushColor(surface);
    if (rows.FillAboveMarker) canvas.FillRect(RECT{0, 0, kMeterWidth, rows.MarkerTop});
    if (rows.FillBetween) canvas.FillRect(RECT{0, rows.MarkerBottom, kMeterWidth, rows.BarTop});
}

void TMixInForm::PaintTriggerLamp(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    FillRect(dc, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    HBRUSH brush = CreateSolidBrush(TriggerLampColour());
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    Ellipse(dc, item.rcItem.left, item.rcItem.top, item.rcItem.right, item.rcItem.bottom);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(brush);
}

void TMixInForm::WirePad() {
    TScrollablePaintBox& box = *controls_.PTTButtonBox;
    box.OnPaint = [this](TScrollablePaintBox& pad, PaintCanvas& canvas) { PaintPad(pad, canvas); };
    box.OnMouseDown = [this](TScrollablePaintBox& pad, MouseButton, int, int) {
        QueuePttEvent(pad_.MouseDown());
        pad.TakeFocus();
        pad.Invalidate();
    };
    box.OnMouseUp = [this](TScrollablePaintBox& pad, MouseButton, int, int) {
        QueuePttEvent(pad_.MouseUp());
        pad.Invalidate();
    };
    box.OnKeyDown = [this](TScrollablePaintBox& pad, int key, bool) {
        pad.TakeFocus();
        QueuePttEvent(pad_.KeyDown(key));
        pad.Invalidate();
    };
    box.OnKeyUp = [this](TScrollablePaintBox& pad, int key, bool) {
        pad.TakeFocus();
        QueuePttEvent(pad_.KeyUp(key));
        pad.Invalidate();
    };
    box.OnEnter = [](TScrollablePaintBox& pad) {
        pad.TakeFocus();
        pad.Invalidate();
    };
    box.OnExit = [](TScrollablePaintBox& pad) { pad.Invalidate(); };
}

void TMixInForm::HoldClick() {
    QueuePttEvent(pad_.Hold());
    controls_.PTTButtonBox->Invalidate();
}

void TMixInForm::QueuePttEvent(PttPad::Event event) {
    if (!event) return;
    // The window never outlives the capture thread in the plug-in; without one (a test, or
    // a shutdown in progress) the pad still moves but no event goes anywhere.
    ControlCaptureLink* capture = Capture();
    if (capture == nullptr) return;
    capture->QueueMark(*event, *event == 0 ? releaseDelay_ : 0.0);
}

void TMixInForm::PaintPad(TScrollablePaintBox& pad, PaintCanvas& canvas) {
    HDC dc = canvas.Handle();
    RECT client;
    GetClientRect(pad.Handle(), &client);
    SIZE text{};
    const int captionLength = lstrlenA(kPadCaption);
    GetTextExtentPoint32A(dc, kPadCaption, captionLength, &text);
    const PttPadLayout layout =
        LayOutPttPad(client.right, client.bottom, pad.Focused(), pad_.Pressed(), text.cx, text.cy);

    RECT frame = ToRect(layout.Frame);
    UINT state = DFCS_BUTTONPUSH;
    if (layout.Pushed) state |= DFCS_PUSHED | DFCS_ADJUSTRECT;
    DrawFrameControl(dc, &frame, DFC_BUTTON, state);

    if (layout.FocusDecoration) {
        const COLORREF kept = canvas.BrushColor();
        canvas.SetBrushColor(GetSysColor(COLOR_3DDKSHADOW));
        canvas.FrameRect(ToRect(layout.Outline));
        canvas.SetBrushColor(kept);
        const RECT focus = ToRect(layout.FocusRect);
        DrawFocusRect(dc, &focus);
    }

    const RECT clip = ToRect(layout.CaptionClip);
    SetBkColor(dc, pad.Color);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    ExtTextOutA(dc, layout.CaptionX, layout.CaptionY, ETO_CLIPPED | ETO_OPAQUE, &clip, kPadCaption,
                static_cast<UINT>(captionLength), nullptr);
}
