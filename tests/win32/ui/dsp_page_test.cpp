// The DSP page and the module information window against a real module stack built from
// fixture DSP libraries in a plug-in folder: the button table at the ends of the stack,
// ticks that the stack refuses, moves, Details (by button and by double-click) with the
// exact module text, and the list following the configuration dialog's bypass switch.
#include <gtest/gtest.h>

#include "ui/config_form.h"
#include "stacker/dsp_plugin_modules_stack.h"
#include "ui/info_form_layout.h"
#include "win32/ui/dsp_page_fixture.h"

namespace {

TEST_F(DspPageTest, SingleInactiveEntryOffersDetailsButNoMoveAndConfigureOnlyOnceActive) {
    AddFixture("dsp_halve.dll");
    OpenWithStack();
    ASSERT_EQ(Stack().Count(), 1);
    ASSERT_EQ(List().Count(), 1);
    EXPECT_FALSE(List().Checked(0));
    EXPECT_FALSE(Enabled(Controls().DetailsButton)) << "nothing selected yet";

    ClickLine(0);
    EXPECT_TRUE(Enabled(Controls().DetailsButton));
    EXPECT_FALSE(Enabled(Controls().ConfigureButton)) << "the entry is inactive";
    EXPECT_FALSE(Enabled(Controls().MoveUpSpeedButton));
    EXPECT_FALSE(Enabled(Controls().MoveDownSpeedButton));

    ClickLine(0, true);
    EXPECT_TRUE(Stack().Get(0)->Active);
    EXPECT_TRUE(List().Checked(0));
    EXPECT_TRUE(Enabled(Controls().ConfigureButton));
    Click(Controls().ConfigureButton);
    EXPECT_EQ(Counter(0, "FixtureConfigCalls"), 1);
    EXPECT_FALSE(Enabled(Controls().MoveDownSpeedButton));
}

TEST_F(DspPageTest, UntickingMixInPutsTheTickBackWhileOtherEntriesFollowTheirTicks) {
    AddOwnLibrary();
    AddFixture("dsp_halve.dll");
    OpenWithStack();
    const int mixIn = IndexOf("Tidewell MixIn");
    const int halve = IndexOf("Halve volume");
    ASSERT_TRUE(List().Checked(mixIn));

    ClickLine(mixIn, true);
    EXPECT_TRUE(List().Checked(mixIn)) << "the MixIn entry refuses to go inactive";
    EXPECT_TRUE(Stack().Get(mixIn)->Active);

    ClickLine(halve, true);
    EXPECT_TRUE(Stack().Get(halve)->Active);
    EXPECT_EQ(Counter(halve, "FixtureInitCalls"), 1);
    ClickLine(halve, true);
    EXPECT_FALSE(Stack().Get(halve)->Active);
    EXPECT_FALSE(List().Checked(halve));
    EXPECT_EQ(Counter(halve, "FixtureQuitCalls"), 1);
}

TEST_F(DspPageTest, MovesStopAtBothEndsAndFollowTheSelection) {
    AddOwnLibrary();
    AddFixture("dsp_halve.dll");
    AddFixture("dsp_offset.dll");
    OpenWithStack();
    const int last = Stack().Count() - 1;
    ASSERT_GE(last, 2);
    const std::string first = Stack().Get(0)->Description;
    const std::string second = Stack().Get(1)->Description;

    ClickLine(0);
    EXPECT_FALSE(Enabled(Controls().MoveUpSpeedButton));
    EXPECT_TRUE(Enabled(Controls().MoveDownSpeedButton));
    Click(Controls().MoveUpSpeedButton);  // disabled: nothing moves
    EXPECT_EQ(Stack().Get(0)->Description, first);

    Click(Controls().MoveDownSpeedButton);
    EXPECT_EQ(Stack().Get(0)->Description, second);
    EXPECT_EQ(Stack().Get(1)->Description, first);
    EXPECT_EQ(List().Selected(), 1);
    EXPECT_TRUE(Enabled(Controls().MoveUpSpeedButton));
    EXPECT_EQ(List().Checked(1), Stack().Get(1)->Active) << "ticks moved with their entries";

    ClickLine(last);
    EXPECT_FALSE(Enabled(Controls().MoveDownSpeedButton));
    EXPECT_TRUE(Enabled(Controls().MoveUpSpeedButton));
    const std::string bottom = Stack().Get(last)->Description;
    Click(Controls().MoveDownSpeedButton);
    EXPECT_EQ(Stack().Get(last)->Description, bottom);
    Click(Controls().MoveUpSpeedButton);
    EXPECT_EQ(Stack().Get(last - 1)->Description, bottom);
    EXPECT_EQ(List().Selected(), last - 1);
}

TEST_F(DspPageTest, DetailsOfASingleModuleLibraryWithoutCopyright) {
    AddFixture("dsp_nocopy.dll");
    OpenWithStack();
    ClickLine(0);
    const ShownInfo info = CatchInfoWindow([&] { Click(Controls().DetailsButton); });
    ASSERT_TRUE(info.Shown);
    EXPECT_EQ(info.Caption, "Tidewell: Module/Plugin Information");
    EXPECT_EQ(info.Text.rfind("Module 1 of 1\r\n\r\nModule Description\r\n\tNo copyright\r\n", 0), 0u) << info.Text;
    EXPECT_NE(info.Text.find("\r\n\r\nPlugin Filename\r\n\tdsp_nocopy.dll\r\n"), std::string::npos) << info.Text;
    EXPECT_TRUE(info.Text.ends_with("DLL Version Information\r\n\tNo version information available\r\n")) << info.Text;
    EXPECT_EQ(InfoForm, nullptr) << "the window exists only while shown";
    EXPECT_TRUE(IsWindowEnabled(form->Handle())) << "the control window is usable again";
}

TEST_F(DspPageTest, DoubleClickShowsDetailsWithTheAmpersandAndTheVersionTexts) {
    AddFixture("dsp_tone.dll");
    AddFixture("dsp_twins.dll");
    OpenWithStack();
    const ShownInfo tone = CatchInfoWindow([&] { DoubleClickLine(IndexOf("Bass & Treble")); });
    ASSERT_TRUE(tone.Shown);
    EXPECT_TRUE(tone.Literal);
    EXPECT_NE(tone.Text.find("Module Description\r\n\tBass & Treble\r\n"), std::string::npos) << tone.Text;
    EXPECT_NE(tone.Text.find("\tInfernal Name:  flags\r\n\tCopyright:  none\r\n"), std::string::npos) << tone.Text;
    EXPECT_TRUE(tone.Text.ends_with("BuildFlags:  PreRelease  Private Build\r\n")) << tone.Text;

    // The second of two modules, and a taller text makes a taller window.
    int secondTwin = -1;
    for (int i = 0; i < Stack().Count(); ++i) {
        if (Stack().Get(i)->Description == "Twin" && Stack().Get(i)->IndexInPlugin == 1) secondTwin = i;
    }
    ASSERT_GE(secondTwin, 0);
    const ShownInfo twin = CatchInfoWindow([&] { DoubleClickLine(secondTwin); });
    ASSERT_TRUE(twin.Shown);
    EXPECT_EQ(twin.Text.rfind("Module 2 of 2\r\n", 0), 0u) << twin.Text;
    EXPECT_LT(twin.Client.bottom, tone.Client.bottom) << "fewer lines, lower window";
    EXPECT_GE(twin.Client.right, kInfoOkButtonWidth + kInfoMargin);
}

TEST_F(DspPageTest, DoubleClickOnACheckBoxOnlyFlipsIt) {
    AddFixture("dsp_halve.dll");
    OpenWithStack();
    ClickLine(0);
    const ShownInfo info = CatchInfoWindow([&] {
        SendMessageA(List().Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, PointOn(0, true));
        PumpMessages();
    });
    EXPECT_FALSE(info.Shown);
    EXPECT_TRUE(Stack().Get(0)->Active);
}

TEST_F(DspPageTest, BypassSwitchInTheConfigurationDialogRefillsTheList) {
    Seed("EnableBypass", "1");
    MakeConfig();
    AddOwnLibrary();
    AddFixture("dsp_halve.dll");
    OpenWithStack();
    MixInForm = form.get();
    const int before = List().Count();
    ASSERT_EQ(before, Stack().Count());
    {
        TConfigForm dialog(form->Handle());
        dialog.Button2Click();
        EXPECT_EQ(List().Count(), before - 1) << "the Bypass entry left the list";
        dialog.Button2Click();
        EXPECT_EQ(List().Count(), before);
    }
    EXPECT_EQ(Stack().Get(Stack().Count() - 1)->Description, "Tidewell Bypass");
    MixInForm = nullptr;
}

TEST_F(DspPageTest, NoStackLeavesTheListEmptyAndEveryButtonOff) {
    OpenForm();
    EXPECT_EQ(List().Count(), 0);
    ClickLine(0);
    for (HWND button : {Controls().ConfigureButton, Controls().MoveUpSpeedButton, Controls().MoveDownSpeedButton,
                        Controls().DetailsButton}) {
        EXPECT_FALSE(Enabled(button));
    }
}

TEST_F(DspPageTest, ClosingTheInfoWindowByItsCloseBoxAnswersOkAndTheControlWindowFreesALeftOne) {
    OpenForm();
    InfoForm = new TInfoForm(form->Handle());
    PostMessageA(InfoForm->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(InfoForm->Show("caption", "a & b"), IDOK);
    form.reset();
    EXPECT_EQ(InfoForm, nullptr);
}

// MixIn Quit may run while the module information is shown (the host's own messages are
// dispatched by its modal loop): the window closes with the control window, nothing hangs.
std::unique_ptr<TMixInForm>* quittingFixture = nullptr;  // the fixture's window
void CALLBACK QuitWhileShown(HWND, UINT, UINT_PTR id, DWORD) {
    if (InfoForm == nullptr || !IsWindowVisible(InfoForm->Handle())) return;
    KillTimer(nullptr, id);
    quittingFixture->reset();
}

TEST_F(DspPageTest, ControlWindowDestroyedWhileDetailsAreShownEndsThemCleanly) {
    AddFixture("dsp_nocopy.dll");
    OpenWithStack();
    ClickLine(0);
    quittingFixture = &form;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, &QuitWhileShown);
    ASSERT_NE(timer, 0u);
    SendMessageA(Controls().DetailsButton, BM_CLICK, 0, 0);
    EXPECT_EQ(form, nullptr);
    EXPECT_EQ(InfoForm, nullptr);
}

}  // namespace
