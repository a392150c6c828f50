#include "ui/scrollable_paint_box.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// A plain top-level window that paints itself red everywhere, its children's area
// included (no WS_CLIPCHILDREN), so a child that draws nothing shows red.
class RedParent {
public:
    RedParent() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &RedParent::Procedure;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "PaintBoxTestParent";
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        RegisterClassA(&wc);
        window = CreateWindowExA(0, wc.lpszClassName, "paint box test", WS_POPUP | WS_VISIBLE, 50, 50, 200, 200,
                                 nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~RedParent() { DestroyWindow(window); }
    HWND window;

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_ERASEBKGND) return 1;
        if (msg == WM_PAINT) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            HBRUSH red = CreateSolidBrush(kRed);
            RECT all{0, 0, 200, 200};
            FillRect(dc, &all, red);
            DeleteObject(red);
            EndPaint(hwnd, &ps);
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
};

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

COLORREF PixelOf(HWND window, int x, int y) {
    HDC dc = GetDC(window);
    const COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return color;
}

struct ScrollSeen {
    int Old, New;
};

class PaintBoxTest : public ::testing::Test {
protected:
    // One parent for the whole suite: under Wine, each top-level window that is shown and
    // destroyed costs about two seconds.
    static void SetUpTestSuite() { parent_ = new RedParent; }
    static void TearDownTestSuite() { delete parent_; }

    void SetUp() override {
        box = std::make_unique<TScrollablePaintBox>(parent.window, 20, 20, 60, 60);
        box->Color = kBlue;
    }
    void ShowAndPaint() {
        box->SetVisible(true);
        RedrawWindow(parent.window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump();
    }

    static RedParent* parent_;
    RedParent& parent = *parent_;
    std::unique_ptr<TScrollablePaintBox> box;
};

RedParent* PaintBoxTest::parent_ = nullptr;

TEST_F(PaintBoxTest, WindowClassAsksOnlyForDoubleClicks) {
    EXPECT_EQ(GetClassLongA(box->Handle(), GCL_STYLE), static_cast<DWORD>(CS_DBLCLKS));
    const LONG style = GetWindowLongA(box->Handle(), GWL_STYLE);
    EXPECT_TRUE(style & WS_TABSTOP);
    EXPECT_TRUE(style & WS_CLIPSIBLINGS);
    RECT client;
    TScrollablePaintBox plain(parent.window, 0, 0);
    GetClientRect(plain.Handle(), &client);
    EXPECT_EQ(client.right, kPaintBoxDefaultSize);
    EXPECT_EQ(client.bottom, kPaintBoxDefaultSize);
}

TEST_F(PaintBoxTest, WithoutErasingAndWithoutOnPaintNothingIsDrawn) {
    box->AutoEraseBackground = false;
    ShowAndPaint();
    EXPECT_EQ(PixelOf(box->Handle(), 30, 30), kRed);
}

TEST_F(PaintBoxTest, ErasingFillsTheControlColour) {
    ShowAndPaint();
    EXPECT_EQ(PixelOf(box->Handle(), 30, 30), kBlue);
}

TEST_F(PaintBoxTest, OnPaintDrawsOnACanvasWithTheControlColourAsBrush) {
    box->AutoEraseBackground = false;
    COLORREF brushSeen = 0;
    box->OnPaint = [&](TScrollablePaintBox&, PaintCanvas& canvas) {
        brushSeen = canvas.BrushColor();
        canvas.FillRect(RECT{0, 0, 10, 10});
        canvas.SetBrushColor(RGB(0, 255, 0));
        canvas.FillRect(RECT{10, 10, 20, 20});
    };
    ShowAndPaint();
    EXPECT_EQ(brushSeen, kBlue);
    EXPECT_EQ(PixelOf(box->Handle(), 5, 5), kBlue);
    EXPECT_EQ(PixelOf(box->Handle(), 15, 15), RGB(0, 255, 0));
    EXPECT_EQ(PixelOf(box->Handle(), 40, 40), kRed);
}

TEST_F(PaintBoxTest, SwallowedScrollMessagesNeitherMoveNorReport) {
    box->SetScrollRange(SB_HORZ, 200, 50);
    box->AutoHandleScroll = false;
    std::vector<ScrollSeen> seen;
    box->OnHorzScroll = [&](TScrollablePaintBox&, int from, int to) { seen.push_back({from, to}); };
    SendMessageA(box->Handle(), WM_HSCROLL, SB_LINEDOWN, 0);
    SendMessageA(box->Handle(), WM_HSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(box->ScrollPosition(SB_HORZ), 0);
    EXPECT_TRUE(seen.empty());
}

TEST_F(PaintBoxTest, HandledScrollReportsOnlyRealMoves) {
    box->SetScrollRange(SB_VERT, 200, 50);
    std::vector<ScrollSeen> seen;
    box->OnVertScroll = [&](TScrollablePaintBox&, int from, int to) { seen.push_back({from, to}); };
    SendMessageA(box->Handle(), WM_VSCROLL, SB_LINEUP, 0);  // already at the top
    EXPECT_TRUE(seen.empty());
    SendMessageA(box->Handle(), WM_VSCROLL, SB_LINEDOWN, 0);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].Old, 0);
    EXPECT_EQ(seen[0].New, box->ScrollIncrement);
    EXPECT_EQ(box->ScrollPosition(SB_VERT), box->ScrollIncrement);
    SendMessageA(box->Handle(), WM_VSCROLL, SB_BOTTOM, 0);
    SendMessageA(box->Handle(), WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(seen.size(), 2u) << "the second move to the bottom changed nothing";
    EXPECT_EQ(box->ScrollPosition(SB_VERT), 151);
}

TEST_F(PaintBoxTest, MouseButtonIsCapturedUntilReleasedAndAClickReported) {
    ShowAndPaint();
    int downs = 0, ups = 0, clicks = 0;
    box->OnMouseDown = [&](TScrollablePaintBox&, MouseButton, int, int) { ++downs; };
    box->OnMouseUp = [&](TScrollablePaintBox&, MouseButton, int, int) { ++ups; };
    box->OnClick = [&](TScrollablePaintBox&) { ++clicks; };
    SendMessageA(box->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(GetCapture(), box->Handle());
    SendMessageA(box->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_NE(GetCapture(), box->Handle());
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(ups, 1);
    EXPECT_EQ(clicks, 1);
    SendMessageA(box->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(box->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(500, 5));
    EXPECT_EQ(clicks, 1) << "released outside the control: no click";
}

TEST_F(PaintBoxTest, DoubleClickIsAlsoAButtonPress) {
    int downs = 0, doubles = 0;
    box->OnMouseDown = [&](TScrollablePaintBox&, MouseButton, int, int) { ++downs; };
    box->OnDblClick = [&](TScrollablePaintBox&) { ++doubles; };
    SendMessageA(box->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(box->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(doubles, 1);
}

TEST_F(PaintBoxTest, TakesTheFocusAndReportsKeysWithTheirRepeats) {
    ShowAndPaint();
    int entered = 0, left = 0;
    std::vector<std::pair<int, bool>> keys;
    box->OnEnter = [&](TScrollablePaintBox&) { ++entered; };
    box->OnExit = [&](TScrollablePaintBox&) { ++left; };
    box->OnKeyDown = [&](TScrollablePaintBox&, int key, bool repeat) { keys.push_back({key, repeat}); };
    box->TakeFocus();
    EXPECT_TRUE(box->Focused());
    EXPECT_EQ(entered, 1);
    SendMessageA(box->Handle(), WM_KEYDOWN, VK_SPACE, 1);
    SendMessageA(box->Handle(), WM_KEYDOWN, VK_SPACE, 1 | (1 << 30));
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_FALSE(keys[0].second);
    EXPECT_TRUE(keys[1].second);
    SetFocus(parent.window);
    EXPECT_EQ(left, 1);
}

TEST_F(PaintBoxTest, HiddenControlCannotTakeTheFocus) {
    box->TakeFocus();
    EXPECT_FALSE(box->Focused());
}

}  // namespace
