// The control window's controls at their design places. Coordinates are client pixels of
// the control's parent: the form, a page, or a group box.
#include <windows.h>
#include <commctrl.h>

#include "ui/control_panel.h"
#include "ui/meter_colour_scale.h"
#include "ui/mix_in_form.h"
#include "host/own_module.h"
#include "ui/scrollable_paint_box.h"
#include "ui/slider_values.h"

namespace {

enum ControlId : int {
    // Ids start above IDOK/IDCANCEL so no control is taken for a dialog's default button.
    kIdFirst = 100,
    kIdComboBox1 = kIdFirst,
    kIdButton1,
    kIdCheckBox1,
    kIdEdit1,
    kIdEdit2,
    kIdCheckBox2,
    kIdButton3,
    kIdEdit3,
    kIdShape1,
    kIdTrackBar3,
    kIdTrackBar2,
    kIdTrackBar1,
    kIdTrackBar4,
    kIdPTTHoldButton,
    kIdPTTButtonBox,
    kIdVUPaintBox,
    kIdPageControl,
    kIdStaticText1,
    kIdModeButton,  // four in a row: A, M, P, O
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kSliderStyle = kChild | WS_TABSTOP | TBS_AUTOTICKS;
constexpr int kStatusLineHeight = 17;
constexpr int kComboDropHeight = 160;
constexpr UINT kKeepPlace = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;

struct Place {
    int Left, Top, Width, Height;
};

// Form.
constexpr Place kGroupBox6{8, 8, 249, 41};
constexpr int kStatLabelX[4] = {8, 88, 136, 184};
constexpr int kStatLabelWidth[4] = {78, 46, 46, 60};
constexpr int kStatLabelY = 16;
constexpr int kLabelHeight = 13;
constexpr Place kPageControl{2, 56, 255, 305};
// Tab padding of the classic look: with tabs as wide as their captions, all five fit on
// one row.
constexpr int kTabPaddingX = 6;
constexpr int kTabPaddingY = 3;
constexpr int kTabMinWidth = 0;  // tabs as wide as their captions, not a common minimum
constexpr Place kMeterGroupBox{192, 88, 49, 129};
constexpr Place kVUBevel{16, 16, 18, 102};
constexpr Place kVUPaintBox{17, 17, 16, 100};
constexpr int kModeButtonWidth = 23;
constexpr int kModeButtonHeight = 22;
constexpr POINT kModeButtonAt[kModeActionCount] = {{94, 368}, {117, 368}, {140, 368}, {117, 390}};

// Page "Device".
constexpr Place kInDeviceGroup{8, 8, 169, 49};
constexpr Place kComboBox1{12, 18, 145, kComboDropHeight};
constexpr Place kButton1{8, 66, 75, 25};
constexpr Place kCheckBox1{96, 70, 73, 17};
constexpr Place kFadeGroup{8, 100, 169, 73};
constexpr Place kEdit1{12, 20, 65, 21};
constexpr Place kEdit2{92, 20, 65, 21};
constexpr Place kCheckBox2{12, 48, 150, 17};
constexpr Place kButton3{8, 184, 75, 25};
// Page "Auto".
constexpr Place kHoldGroup{8, 8, 81, 49};
constexpr Place kEdit3{10, 18, 61, 21};
constexpr Place kTriggerGroup{96, 8, 85, 185};
constexpr Place kShape1{34, 18, 17, 17};
constexpr Place kTrackBar3{26, 40, 33, 137};
constexpr Place kAutoLevelGroup{8, 200, 232, 57};
constexpr Place kTrackBar2{8, 18, 216, 33};
// Page "Manual".
constexpr Place kTrackBar1{8, 16, 170, 33};
// Page "P.T.T.".
constexpr Place kPTTButtonBox{27, 16, 97, 25};
constexpr Place kPTTHoldButton{124, 16, 41, 25};
constexpr Place kTrackBar4{8, 56, 170, 33};

// Designer start values (set without running handlers).
constexpr int kTrackBar1Start = 0;
constexpr int kTrackBar2Start = 70;
constexpr int kTrackBar3Start = 100;
constexpr int kTrackBar4Start = 70;

void MakeSlider(HWND slider, int position) {
    SendMessageA(slider, TBM_SETRANGE, FALSE, MAKELPARAM(kSliderMin, kSliderMax));
    SendMessageA(slider, TBM_SETTICFREQ, kSliderTickStep, 0);
    SendMessageA(slider, TBM_SETPOS, TRUE, position);
}

}  // namespace

TControlPanel& TMixInForm::AddPanel(HWND parent, int left, int top, int width, int height, const char* groupCaption) {
    panels_.push_back(std::make_unique<TControlPanel>(parent, left, top, width, height,
                                                      groupCaption != nullptr ? groupCaption : "", font_));
    return *panels_.back();
}

HWND TMixInForm::AddControl(HWND parent, const char* windowClass, const char* text, DWORD style, int left, int top,
                            int width, int height, int id, DWORD extendedStyle) {
    HWND control = CreateWindowExA(extendedStyle, windowClass, text, style, left, top, width, height, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ModuleOfControlWindowCode(),
                                   nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return control;
}

void TMixInForm::BuildControls() {
    MixInFormControls& c = controls_;
    auto place = [this](HWND parent, const char* cls, const char* text, DWORD style, const Place& p, int id,
                        DWORD ex = 0) { return AddControl(parent, cls, text, style, p.Left, p.Top, p.Width, p.Height, id, ex); };

    // The meter group first: it lies over the page area and must stay on top of it.
    TControlPanel& meterGroup = AddPanel(window_, kMeterGroupBox.Left, kMeterGroupBox.Top, kMeterGroupBox.Width,
                                         kMeterGroupBox.Height, "RMS%");
    c.MeterGroupBox = meterGroup.Handle();
    vuPaintBox_ = std::make_unique<TScrollablePaintBox>(c.MeterGroupBox, kVUPaintBox.Left, kVUPaintBox.Top,
                                                        kVUPaintBox.Width, kVUPaintBox.Height, kIdVUPaintBox);
    c.VUPaintBox = vuPaintBox_.get();
    SetWindowLongA(c.VUPaintBox->Handle(), GWL_STYLE, GetWindowLongA(c.VUPaintBox->Handle(), GWL_STYLE) & ~WS_TABSTOP);
    c.VUBevel = place(c.MeterGroupBox, "STATIC", "", kChild | SS_SUNKEN | WS_CLIPSIBLINGS, kVUBevel, -1);
    SetWindowPos(c.VUBevel, HWND_BOTTOM, 0, 0, 0, 0, kKeepPlace);
    meterGroup.PutFrameBehindChildren();

    TControlPanel& stats = AddPanel(window_, kGroupBox6.Left, kGroupBox6.Top, kGroupBox6.Width, kGroupBox6.Height,
                                    "Winamp Playback Stats");
    const char* statTexts[4] = {"0Khz", "0bps", "0 chnls", "0 smpls"};
    HWND* statLabels[4] = {&c.Label1, &c.Label2, &c.Label3, &c.Label4};
    for (int i = 0; i < 4; ++i) {
        *statLabels[i] = AddControl(stats.Handle(), "STATIC", statTexts[i], kChild | SS_LEFTNOWORDWRAP | SS_NOPREFIX,
                                    kStatLabelX[i], kStatLabelY, kStatLabelWidth[i], kLabelHeight, -1);
    }
    stats.PutFrameBehindChildren();

    // The tab strip, measured with its captions in the form's font, tells where the pages go.
    c.PageControl = CreateWindowExA(0, WC_TABCONTROLA, "", kChild | WS_TABSTOP | WS_CLIPSIBLINGS | TCS_MULTILINE,
                                    kPageControl.Left, kPageControl.Top, kPageControl.Width, kPageControl.Height,
                                    window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdPageControl)),
                                    ModuleOfControlWindowCode(), nullptr);
    SendMessageA(c.PageControl, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SendMessageA(c.PageControl, TCM_SETPADDING, 0, MAKELPARAM(kTabPaddingX, kTabPaddingY));
    SendMessageA(c.PageControl, TCM_SETMINTABWIDTH, 0, kTabMinWidth);
    for (int page = 0; page < kControlPageCount; ++page) {
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(kControlPageCaptions[page]);
        SendMessageA(c.PageControl, TCM_INSERTITEMA, page, reinterpret_cast<LPARAM>(&item));
    }
    RECT display{0, 0, kPageControl.Width, kPageControl.Height};
    SendMessageA(c.PageControl, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    for (int page = 0; page < kControlPageCount; ++page) {
        TControlPanel& sheet = AddPanel(window_, kPageControl.Left + display.left, kPageControl.Top + display.top,
                                        display.right - display.left, display.bottom - display.top, nullptr);
        c.Pages[page] = sheet.Handle();
        if (page != kPageDevice) ShowWindow(c.Pages[page], SW_HIDE);
    }

    // Page "Device".
    HWND device = c.Pages[kPageDevice];
    TControlPanel& inDevice = AddPanel(device, kInDeviceGroup.Left, kInDeviceGroup.Top, kInDeviceGroup.Width,
                                       kInDeviceGroup.Height, "In Device");
    c.ComboBox1 = place(inDevice.Handle(), "COMBOBOX", "", kChild | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
                        kComboBox1, kIdComboBox1);
    inDevice.PutFrameBehindChildren();
    c.Button1 = place(device, "BUTTON", "Activate", kChild | WS_TABSTOP | BS_PUSHBUTTON, kButton1, kIdButton1);
    c.CheckBox1 = place(device, "BUTTON", "Mix-In", kChild | WS_TABSTOP | BS_AUTOCHECKBOX, kCheckBox1, kIdCheckBox1);
    SendMessageA(c.CheckBox1, BM_SETCHECK, BST_CHECKED, 0);
    TControlPanel& fades = AddPanel(device, kFadeGroup.Left, kFadeGroup.Top, kFadeGroup.Width, kFadeGroup.Height,
                                    "Fade In/Out Rate");
    ++editTextFromCode_;  // designer texts: no handlers yet
    c.Edit1 = place(fades.Handle(), "EDIT", "0.01", kChild | WS_TABSTOP | ES_AUTOHSCROLL, kEdit1, kIdEdit1,
                    WS_EX_CLIENTEDGE);
    c.Edit2 = place(fades.Handle(), "EDIT", "1.0", kChild | WS_TABSTOP | ES_AUTOHSCROLL, kEdit2, kIdEdit2,
                    WS_EX_CLIENTEDGE);
    c.CheckBox2 = place(fades.Handle(), "BUTTON", "Logarithmic Transitions", kChild | WS_TABSTOP | BS_AUTOCHECKBOX,
                        kCheckBox2, kIdCheckBox2);
    SendMessageA(c.CheckBox2, BM_SETCHECK, BST_CHECKED, 0);
    fades.PutFrameBehindChildren();
    c.Button3 = place(device, "BUTTON", "Reset", kChild | WS_TABSTOP | BS_PUSHBUTTON, kButton3, kIdButton3);

    // Page "Auto".
    HWND autoPage = c.Pages[kPageAuto];
    TControlPanel& holdGroup = AddPanel(autoPage, kHoldGroup.Left, kHoldGroup.Top, kHoldGroup.Width,
                                        kHoldGroup.Height, "Trigger Hold");
    c.Edit3 = place(holdGroup.Handle(), "EDIT", "0.5", kChild | WS_TABSTOP | ES_AUTOHSCROLL, kEdit3, kIdEdit3,
                    WS_EX_CLIENTEDGE);
    --editTextFromCode_;
    holdGroup.PutFrameBehindChildren();
    TControlPanel& trigger = AddPanel(autoPage, kTriggerGroup.Left, kTriggerGroup.Top, kTriggerGroup.Width,
                                      kTriggerGroup.Height, "RMS% Trigger");
    c.Shape1 = place(trigger.Handle(), "STATIC", "", kChild | SS_OWNERDRAW, kShape1, kIdShape1);
    c.TrackBar3 = place(trigger.Handle(), TRACKBAR_CLASSA, "", kSliderStyle | TBS_VERT, kTrackBar3, kIdTrackBar3);
    MakeSlider(c.TrackBar3, kTrackBar3Start);
    trigger.PutFrameBehindChildren();
    TControlPanel& autoLevel = AddPanel(autoPage, kAutoLevelGroup.Left, kAutoLevelGroup.Top, kAutoLevelGroup.Width,
                                        kAutoLevelGroup.Height, "Auto MixIn Level");
    c.TrackBar2 = place(autoLevel.Handle(), TRACKBAR_CLASSA, "", kSliderStyle | TBS_HORZ, kTrackBar2, kIdTrackBar2);
    MakeSlider(c.TrackBar2, kTrackBar2Start);
    autoLevel.PutFrameBehindChildren();

    // Page "Manual".
    c.TrackBar1 = place(c.Pages[kPageManual], TRACKBAR_CLASSA, "", kSliderStyle | TBS_HORZ, kTrackBar1, kIdTrackBar1);
    MakeSlider(c.TrackBar1, kTrackBar1Start);

    // Page "P.T.T.".
    HWND pttPage = c.Pages[kPagePtt];
    pttButtonBox_ = std::make_unique<TScrollablePaintBox>(pttPage, kPTTButtonBox.Left, kPTTButtonBox.Top,
                                                          kPTTButtonBox.Width, kPTTButtonBox.Height, kIdPTTButtonBox);
    c.PTTButtonBox = pttButtonBox_.get();
    c.PTTHoldButton = place(pttPage, "BUTTON", "Hold", kChild | WS_TABSTOP | BS_PUSHBUTTON, kPTTHoldButton,
                            kIdPTTHoldButton);
    c.TrackBar4 = place(pttPage, TRACKBAR_CLASSA, "", kSliderStyle | TBS_HORZ, kTrackBar4, kIdTrackBar4);
    MakeSlider(c.TrackBar4, kTrackBar4Start);

    BuildDspPage();

    sliderPositions_[0] = kTrackBar1Start;
    sliderPositions_[1] = kTrackBar2Start;
    sliderPositions_[2] = kTrackBar3Start;
    sliderPositions_[3] = kTrackBar4Start;

    // Mode buttons: push-like check boxes whose state the mode actions set (exactly one down).
    for (int action = 0; action < kModeActionCount; ++action) {
        c.ModeButtons[action] = AddControl(window_, "BUTTON", kMixModeActions[action].Caption,
                                           kChild | BS_PUSHLIKE | BS_CHECKBOX, kModeButtonAt[action].x,
                                           kModeButtonAt[action].y, kModeButtonWidth, kModeButtonHeight,
                                           kIdModeButton + action);
    }
    CheckModeButton(kOffAction);

    // Overlaps: the pages lie above the tab strip, the meter group above everything.
    SetWindowPos(c.PageControl, HWND_BOTTOM, 0, 0, 0, 0, kKeepPlace);
    SetWindowPos(c.MeterGroupBox, HWND_TOP, 0, 0, 0, 0, kKeepPlace);

    c.StaticText1 = AddControl(window_, "STATIC", "", kChild | SS_SUNKEN | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0,
                               kMixInFormClientHeight - kStatusLineHeight, kMixInFormClientWidth, kStatusLineHeight, -1);

    // The meter and the pad are drawn entirely by their painters.
    for (TScrollablePaintBox* box : {c.VUPaintBox, c.PTTButtonBox}) {
        box->AutoEraseBackground = false;
        box->AutoHandleScroll = false;
        box->Font = font_;
        box->SetVisible(true);
    }
    c.VUPaintBox->OnPaint = [this](TScrollablePaintBox&, PaintCanvas& canvas) { PaintMeter(canvas); };
    c.VUPaintBox->OnDblClick = [this](TScrollablePaintBox&) { ToggleMeter(); };
    meterGroup.OnDblClick = [this] { ToggleMeter(); };
    WirePad();

    // VUImage: the colour scale, one colour per row, as a 24-bit top-down bitmap.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kMeterWidth;
    info.bmiHeader.biHeight = -kMeterHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    scaleBitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (scaleBitmap_ != nullptr && bits != nullptr) {
        constexpr int kBytesPerPixel = 3;
        constexpr int kStride = (kMeterWidth * kBytesPerPixel + 3) & ~3;
        auto* rows = static_cast<uint8_t*>(bits);
        for (int row = 0; row < kMeterHeight; ++row) {
            const uint32_t rgb = kMeterScaleColours[row];
            for (int x = 0; x < kMeterWidth; ++x) {
                uint8_t* pixel = rows + row * kStride + x * kBytesPerPixel;
                pixel[0] = rgb & 0xFF;          // blue
                pixel[1] = (rgb >> 8) & 0xFF;   // green
                pixel[2] = (rgb >> 16) & 0xFF;  // red
            }
        }
        scaleDc_ = CreateCompatibleDC(nullptr);
        scaleOldBitmap_ = SelectObject(scaleDc_, scaleBitmap_);
    }
}
