// Pictures of the control window, one per page, for a person to look at: the window as the
// plug-in shows it with a stream playing, a device chosen and a level on the meter. Writes
// control-window-<page>.bmp into the working folder; the calling script turns them into PNG.
#include "core/mixin_messages.h"
#include "win32/ui/mix_in_form_fixture.h"
#include "win32/ui/window_picture.h"

namespace {

std::string FileNameFor(int page) {
    std::string name = kControlPageCaptions[page];
    std::string plain;
    for (char c : name) {
        if (c != '.') plain += static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    return "control-window-" + plain + ".bmp";
}

using MixInFormScreenshots = MixInFormTest;

TEST_F(MixInFormScreenshots, EveryPage) {
    devices.Devices = {std::string("Line In"), std::string("USB Microphone"), std::string("USB Microphone")};
    Seed("InputDeviceName", "USB Microphone(2)");
    Seed("MixInMode", "2");
    Seed("AutoMixInThresh", "25");
    MakeConfig();
    OpenForm();
    Click(Controls().Button1);
    HWND window = form->Handle();
    for (auto [message, value] : {std::pair{WM_MIXIN_SRATE, 44100}, {WM_MIXIN_BITS, 16}, {WM_MIXIN_NCH, 2},
                                  {WM_MIXIN_SAMPLES, 576}, {WM_MIXIN_TRIGGER, 1}, {WM_MIXIN_RMS, 72}}) {
        PostMessageA(window, message, value, 0);
    }
    PumpMessages();
    SendMessageA(window, WM_MIXIN_RMS, 48, 0);
    SendMessageA(window, WM_TIMER, kMeterTimerId, 0);
    SendMessageA(window, WM_TIMER, kMeterTimerId, 0);
    capture.StateNow = 4;  // DataReady
    capture.Waiting = 6;
    SendMessageA(window, WM_TIMER, kStatusTimerId, 0);

    for (int page = 0; page < kControlPageCount; ++page) {
        ClickTab(page);
        if (page == kPagePtt) SetFocus(Controls().PTTButtonBox->Handle());
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpMessages();
        EXPECT_TRUE(SaveWindowPicture(window, FileNameFor(page))) << kControlPageCaptions[page];
    }
}

}  // namespace
