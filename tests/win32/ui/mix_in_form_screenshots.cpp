// Pictures of the control window, one per page, for a person to look at: the window as the
// plug-in shows it with a stream playing, a device chosen and a level on the meter. Writes
// control-window-<page>.bmp into the working folder; the calling script turns them into PNG.
#include "core/mixin_messages.h"
#include "win32/ui/mix_in_form_fixture.h"

namespace {

// The whole window, frame included, as a 24-bit bottom-up BMP file.
bool SaveWindowPicture(HWND window, const std::string& fileName) {
    RECT outer{};
    GetWindowRect(window, &outer);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, picture);
    HDC source = GetWindowDC(window);
    BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
    ReleaseDC(window, source);
    GdiFlush();

    const DWORD stride = ((width * 3) + 3) & ~3;
    const DWORD imageSize = stride * height;
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof header + sizeof info.bmiHeader;
    header.bfSize = header.bfOffBits + imageSize;
    info.bmiHeader.biSizeImage = imageSize;
    HANDLE file = CreateFileA(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    bool ok = file != INVALID_HANDLE_VALUE;
    ok = ok && WriteFile(file, &header, sizeof header, &written, nullptr);
    ok = ok && WriteFile(file, &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr);
    ok = ok && WriteFile(file, bits, imageSize, &written, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);

    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(picture);
    return ok;
}

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
