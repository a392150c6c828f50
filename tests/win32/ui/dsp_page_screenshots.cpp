// Pictures of the DSP page with three fixture modules between the MixIn and Bypass entries,
// of the module information window for one of them, and of the configuration dialog. Writes
// dsp-page.bmp, info-window.bmp and config-dialog.bmp into the working folder; the calling
// script turns them into PNG.
#include "ui/config_form.h"
#include "host/file_version_info.h"
#include "win32/ui/dsp_page_fixture.h"
#include "win32/ui/window_picture.h"

namespace {

void Repaint(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

bool infoSaved = false;

using DspPageScreenshots = DspPageTest;

TEST_F(DspPageScreenshots, PageInformationWindowAndDialog) {
    MakeConfig();
    AddOwnLibrary();
    AddFixture("dsp_halve.dll");
    AddFixture("dsp_offset.dll");
    AddFixture("dsp_tone.dll");
    OpenWithStack();
    ClickLine(IndexOf("Halve volume"), true);
    ClickLine(IndexOf("Bass & Treble"));
    Repaint(form->Handle());
    PumpMessages();
    EXPECT_TRUE(SaveWindowPicture(form->Handle(), "dsp-page.bmp"));

    onInfoShown = [](HWND info) {
        Repaint(info);
        infoSaved = SaveWindowPicture(info, "info-window.bmp");
    };
    const ShownInfo shown = CatchInfoWindow([&] { Click(Controls().DetailsButton); });
    onInfoShown = nullptr;
    EXPECT_TRUE(shown.Shown);
    EXPECT_TRUE(infoSaved);

    FileVersionInfo version;
    version.StringInfoRead = true;
    version.FileVersion = "1.0.0.0";
    VersionReaderResult = &version;
    {
        TConfigForm dialog(form->Handle());
        ShowWindow(dialog.Handle(), SW_SHOW);
        Repaint(dialog.Handle());
        PumpMessages();
        EXPECT_TRUE(SaveWindowPicture(dialog.Handle(), "config-dialog.bmp"));
    }
    VersionReaderResult = nullptr;
}

}  // namespace
