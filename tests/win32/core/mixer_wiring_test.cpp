// The mixing engine's Win32 seams and its wiring as the DLL uses it: notifications posted
// to the control window's handle, the Windows clocks, the locale's report formats.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/date_time.h"
#include "core/mix_state.h"
#include "core/mixer_wiring.h"
#include "core/mixin_messages.h"
#include "core/win32_mixer_seams.h"
#include "unit/support/scripted_capture_queue.h"

namespace {

// A message-only window whose posted messages the test reads back.
class MessageWindow {
public:
    MessageWindow() {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "TidewellMixerWiringTestWindow";
        RegisterClassA(&wc);
        handle_ = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                wc.hInstance, nullptr);
    }
    ~MessageWindow() { DestroyWindow(handle_); }
    HWND handle() const { return handle_; }

    std::vector<std::pair<UINT, WPARAM>> Drain() const {
        std::vector<std::pair<UINT, WPARAM>> got;
        MSG msg;
        while (PeekMessageA(&msg, handle_, 0, 0, PM_REMOVE)) {
            if (msg.message >= WM_USER) got.emplace_back(msg.message, msg.wParam);
            EXPECT_EQ(msg.lParam, 0);
        }
        return got;
    }

private:
    HWND handle_ = nullptr;
};

std::string DateText(const SYSTEMTIME& t) {
    char text[128];
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &t, nullptr, text, sizeof text);
    return text;
}

std::string TimeText(const SYSTEMTIME& t) {
    char text[128];
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &t, nullptr, text, sizeof text);
    return text;
}

TEST(MixerWin32Seams, NotificationsArePostedToTheWindowHandleOnly) {
    MessageWindow window;
    RelaxedAtomic<void*> target{nullptr};
    PostMessageSink sink(target);

    sink.Post(WM_MIXIN_RMS, 42);  // no window yet: dropped, not posted to this thread
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

    target = window.handle();
    sink.Post(WM_MIXIN_RMS, 42);
    sink.Post(WM_MIXIN_PTT, 1);
    EXPECT_EQ(window.Drain(), (std::vector<std::pair<UINT, WPARAM>>{{WM_MIXIN_RMS, 42}, {WM_MIXIN_PTT, 1}}));
}

TEST(MixerWin32Seams, ClocksReadTheLocalTimeAndAMonotonicCounter) {
    Win32MixClock clock;
    SYSTEMTIME now;
    GetLocalTime(&now);
    CivilDateTime civil;
    ASSERT_TRUE(SplitDateTime(clock.LocalDateTime(), civil));
    EXPECT_EQ(civil.year, now.wYear);
    EXPECT_EQ(civil.month, now.wMonth);

    const double before = clock.MonotonicSeconds();
    Sleep(50);
    const double elapsed = clock.MonotonicSeconds() - before;
    EXPECT_GT(elapsed, 0.03);
    EXPECT_LT(elapsed, 2.0);
}

TEST(MixerWin32Seams, DateTimesUseTheLocalesShortDateAndLongTime) {
    Win32ReportTextFormat format;
    SYSTEMTIME noon = {};
    noon.wYear = 2024;
    noon.wMonth = 6;
    noon.wDay = 1;
    noon.wHour = 12;
    EXPECT_EQ(format.DateTime(45444.5), DateText(noon) + " " + TimeText(noon));
    EXPECT_EQ(format.DateTime(45444.0), DateText(noon)) << "no time part: the date alone";
    SYSTEMTIME six = {};
    six.wYear = 1899;
    six.wMonth = 12;
    six.wDay = 30;
    six.wHour = 6;
    EXPECT_EQ(format.DateTime(0.25), TimeText(six)) << "below one day: the time alone";

    char separator[8] = {};
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator);
    EXPECT_EQ(format.DecimalSeparator(), separator[0]);
}

TEST(MixerWiring, TheDllsMixingStepFollowsTheCaptureQueueItIsGiven) {
    MessageWindow window;
    MixState.ResetForInit();
    MixState.NotifyHWnd = window.handle();
    std::vector<int16_t> block(576 * 2, 321);

    EXPECT_EQ(MixSamples(nullptr, block.data(), 576, 16, 2, 44100), 576);
    EXPECT_TRUE(window.Drain().empty()) << "no capture queue: the block passes";

    ScriptedCaptureQueue queue;
    SetMixerCaptureQueue(&queue);
    EXPECT_EQ(MixSamples(nullptr, block.data(), 576, 16, 2, 44100), 576);
    EXPECT_EQ(window.Drain(), (std::vector<std::pair<UINT, WPARAM>>{{WM_MIXIN_PTT, 0},
                                                                     {WM_MIXIN_SRATE, 44100},
                                                                     {WM_MIXIN_BITS, 16},
                                                                     {WM_MIXIN_NCH, 2},
                                                                     {WM_MIXIN_SAMPLES, 576},
                                                                     {WM_MIXIN_RMS, 0},
                                                                     {WM_MIXIN_TRIGGER, 0}}));
    EXPECT_EQ(queue.requests, (std::vector<std::string>{"Reset"}));
    EXPECT_EQ(block, std::vector<int16_t>(576 * 2, 321));

    const std::string report = MixInStatsReport();
    EXPECT_NE(report.find("\tlast0_srate: 44100\r\n"), std::string::npos);
    char handle[32];
    wsprintfA(handle, "\tNotifyHWnd: 0x%08X\r\n", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(window.handle())));
    EXPECT_NE(report.find(handle), std::string::npos);

    MixerDropBuffer();
    SetMixerCaptureQueue(nullptr);
    MixState.NotifyHWnd = nullptr;
}

}  // namespace
