// The level meter (tick by tick, on screen), the trigger lamp and the push-to-talk pad.
#include "core/mixin_messages.h"
#include "ui/meter_colour_scale.h"
#include "win32/ui/mix_in_form_fixture.h"

namespace {

constexpr COLORREF FromRgb(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

class MixInFormMeter : public MixInFormTest {
protected:
    void SetUp() override {
        MixInFormTest::SetUp();
        OpenForm();
        surface = Controls().VUPaintBox->Handle();
    }
    void Level(int percent) {
        PostMessageA(form->Handle(), WM_MIXIN_RMS, percent, 0);
        PumpMessages();
    }
    void Tick() {
        SendMessageA(form->Handle(), WM_TIMER, kMeterTimerId, 0);
        UpdateWindow(surface);
    }
    COLORREF Row(int row) {
        HDC dc = GetDC(surface);
        const COLORREF color = GetPixel(dc, 8, row);
        ReleaseDC(surface, dc);
        return color;
    }
    void ExpectBar(int fromRow) {
        for (int row = fromRow; row < 100; ++row) EXPECT_EQ(Row(row), GetSysColor(COLOR_HIGHLIGHT)) << "row " << row;
    }
    void ExpectBackground(int from, int to) {
        for (int row = from; row < to; ++row) EXPECT_EQ(Row(row), GetSysColor(COLOR_BTNFACE)) << "row " << row;
    }
    void ExpectMarkerAt(int top) {
        for (int row = top; row < top + 3; ++row) EXPECT_EQ(Row(row), FromRgb(kMeterScaleColours[row])) << "row " << row;
    }

    HWND surface = nullptr;
};

TEST_F(MixInFormMeter, EightyThenSilenceHoldsTheMarkerForFifteenTicks) {
    Level(80);
    Level(0);
    Tick();
    EXPECT_EQ(form->Meter().Bar, 80);
    EXPECT_EQ(form->Meter().Peak, 80);
    ExpectBackground(0, 20);
    ExpectMarkerAt(20);
    ExpectBar(23);

    Tick();
    EXPECT_EQ(form->Meter().Bar, 0);
    EXPECT_EQ(form->Meter().Peak, 80);
    ExpectBackground(0, 20);
    ExpectMarkerAt(20);
    ExpectBackground(23, 100);

    for (int tick = 3; tick <= 14; ++tick) {
        Tick();
        EXPECT_EQ(form->Meter().Peak, 80) << "tick " << tick;
    }
    Tick();
    EXPECT_EQ(form->Meter().Peak, 0);
    ExpectBackground(0, 100);
}

TEST_F(MixInFormMeter, FullLevelDrawsTheMarkerOnTopAndTheBarBelow) {
    Level(100);
    Tick();
    ExpectMarkerAt(0);
    EXPECT_EQ(Row(0), RGB(0xFF, 0x23, 0x00));
    ExpectBar(3);
}

TEST_F(MixInFormMeter, DoubleClickHidesTheMeterAndStopsItsInput) {
    Level(50);
    Tick();
    SendMessageA(Controls().MeterGroupBox, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(4, 120));
    EXPECT_FALSE(MixState.SendNotifyWndRMS);
    EXPECT_FALSE(IsWindowVisible(surface));
    EXPECT_FALSE(IsWindowVisible(Controls().VUBevel));
    Level(90);
    Tick();
    EXPECT_EQ(form->Meter().FRMSStatus, 50) << "levels are ignored while hidden";

    SendMessageA(Controls().MeterGroupBox, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(4, 120));
    EXPECT_TRUE(MixState.SendNotifyWndRMS);
    EXPECT_TRUE(IsWindowVisible(surface));
    EXPECT_EQ(form->Meter().Bar, 0);
    EXPECT_EQ(form->Meter().Peak, 0);
    EXPECT_EQ(form->Meter().RMSP[0], 50) << "the history survives";
}

TEST_F(MixInFormMeter, DoubleClickOnTheSurfaceHidesItToo) {
    SendMessageA(surface, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(4, 40));
    SendMessageA(surface, WM_LBUTTONUP, 0, MAKELPARAM(4, 40));
    EXPECT_FALSE(MixState.SendNotifyWndRMS);
    EXPECT_TRUE(form->Meter().Hidden);
}

TEST_F(MixInFormMeter, TriggerLampTurnsRedWhileTriggered) {
    PostMessageA(form->Handle(), WM_MIXIN_TRIGGER, 1, 0);
    PumpMessages();
    EXPECT_EQ(form->TriggerLampColour(), RGB(255, 0, 0));
    ClickTab(kPageAuto);
    UpdateWindow(Controls().Shape1);
    HDC dc = GetDC(Controls().Shape1);
    EXPECT_EQ(GetPixel(dc, 8, 8), RGB(255, 0, 0));
    ReleaseDC(Controls().Shape1, dc);
    PostMessageA(form->Handle(), WM_MIXIN_TRIGGER, 0, 0);
    PumpMessages();
    EXPECT_EQ(form->TriggerLampColour(), RGB(128, 0, 0));
}

class MixInFormPad : public MixInFormTest {
protected:
    void SetUp() override {
        MixInFormTest::SetUp();
        OpenForm();
        ClickTab(kPagePtt);
        pad = Controls().PTTButtonBox->Handle();
    }
    void Mouse(UINT message) {
        SendMessageA(pad, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(10, 10));
        PumpMessages();
    }
    HWND pad = nullptr;
};

TEST_F(MixInFormPad, MouseHoldTurnsPushToTalkOnAndOff) {
    Mouse(WM_LBUTTONDOWN);
    EXPECT_TRUE(form->PttPressed());
    EXPECT_EQ(GetFocus(), pad) << "a click takes the focus";
    Mouse(WM_LBUTTONUP);
    EXPECT_FALSE(form->PttPressed());
    EXPECT_EQ(capture.Marks, (std::vector<uint8_t>{1, 0}));
}

TEST_F(MixInFormPad, SpaceHeldThenTabAwayKeepsThePadPressed) {
    SetFocus(pad);
    Key(WM_KEYDOWN, VK_SPACE);
    Key(WM_KEYDOWN, VK_SPACE, false, true);  // auto-repeat
    EXPECT_TRUE(form->PttPressed());
    Key(WM_KEYDOWN, VK_TAB);
    EXPECT_EQ(GetFocus(), Controls().PTTHoldButton) << "Tab moves on to the Hold button";
    Key(WM_KEYUP, VK_SPACE);
    EXPECT_TRUE(form->PttPressed()) << "the release went elsewhere";
    EXPECT_EQ(capture.Marks, (std::vector<uint8_t>{1}));

    Mouse(WM_LBUTTONDOWN);
    Mouse(WM_LBUTTONUP);
    EXPECT_FALSE(form->PttPressed());
    EXPECT_EQ(capture.Marks, (std::vector<uint8_t>{1, 0}));
}

TEST_F(MixInFormPad, EnterWorksLikeSpace) {
    PostMessageA(form->Handle(), WM_MIXIN_RMS, 30, 0);
    SetFocus(pad);
    Key(WM_KEYDOWN, VK_RETURN);
    EXPECT_TRUE(form->PttPressed());
    EXPECT_EQ(form->Meter().FRMSStatus, 30) << "Enter is no default-button request to the window";
    Key(WM_KEYUP, VK_RETURN);
    EXPECT_FALSE(form->PttPressed());
    EXPECT_EQ(capture.Marks, (std::vector<uint8_t>{1, 0}));
}

TEST_F(MixInFormPad, HoldThenClickGivesOneOffEvent) {
    Click(Controls().PTTHoldButton);
    EXPECT_TRUE(form->PttPressed());
    Mouse(WM_LBUTTONDOWN);
    Mouse(WM_LBUTTONUP);
    EXPECT_FALSE(form->PttPressed());
    EXPECT_EQ(capture.Marks, (std::vector<uint8_t>{1, 0}));
}

TEST_F(MixInFormPad, HoldQueuesEveryNewState) {
    Click(Controls().PTTHoldButton);
    Click(Controls().PTTHoldButton);
    Click(Controls().PTTHoldButton);
    EXPECT_EQ(capture.Marks, (std::vector<uint8_t>{1, 0, 1}));
}

TEST_F(MixInFormPad, WithoutACaptureThreadThePadStillMoves) {
    captureExists = false;
    Mouse(WM_LBUTTONDOWN);
    EXPECT_TRUE(form->PttPressed());
    Mouse(WM_LBUTTONUP);
    EXPECT_TRUE(capture.Marks.empty());
}

TEST_F(MixInFormPad, PressedFocusedPadIsDrawnPushedIn) {
    SetFocus(pad);
    UpdateWindow(pad);
    HDC dc = GetDC(pad);
    const COLORREF outline = GetPixel(dc, 0, 0);
    const COLORREF raisedEdge = GetPixel(dc, 1, 12);
    ReleaseDC(pad, dc);
    EXPECT_EQ(outline, GetSysColor(COLOR_3DDKSHADOW)) << "focus outline";

    Key(WM_KEYDOWN, VK_SPACE);
    UpdateWindow(pad);
    dc = GetDC(pad);
    EXPECT_EQ(GetPixel(dc, 0, 0), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_NE(GetPixel(dc, 1, 12), raisedEdge) << "the pushed frame draws a different edge";
    ReleaseDC(pad, dc);
}

}  // namespace
