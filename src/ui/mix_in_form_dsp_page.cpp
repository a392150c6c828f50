// The control window's "DSP" page: the module stack as a check list (one line per entry,
// its tick mirroring the entry's Active flag), with Configure, move up/down and Details.
// Every index is checked against the live stack before use; the stack may be absent.
#include <windows.h>

#include "core/exported_globals.h"
#include "host/message_pump.h"
#include "stacker/dsp_plugin.h"
#include "stacker/dsp_plugin_module.h"
#include "stacker/dsp_plugin_modules_stack.h"
#include "stacker/dsp_plugins.h"
#include "ui/check_list_box.h"
#include "ui/control_panel.h"
#include "ui/dsp_page_logic.h"
#include "ui/info_form.h"
#include "ui/mix_in_form.h"
#include "ui/module_info_text.h"
#include "ui/pumping_handler.h"

namespace {

enum DspControlId : int {
    kIdCheckListBox1 = 200,
    kIdConfigureButton,
    kIdMoveUpSpeedButton,
    kIdMoveDownSpeedButton,
    kIdDetailsButton,
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr int kPanel1Width = 71;
constexpr int kPanel2Height = 41;
constexpr int kButtonTop = 8;
constexpr int kButtonHeight = 25;
constexpr int kConfigureLeft = 8;
constexpr int kMoveUpLeft = 96;
constexpr int kMoveDownLeft = 120;
constexpr int kDetailsLeft = 160;
constexpr int kWideButtonWidth = 75;
constexpr int kSpeedButtonWidth = 25;
// The lowered edge of Panel2 takes one pixel on each side of its client area.
constexpr int kLoweredEdge = 1;

TDSPPluginModule* EntryAt(int index) {
    TDSPPluginModulesStack* stack = DSPPluginModulesStack;
    if (stack == nullptr || index < 0 || index >= stack->Count()) return nullptr;
    return stack->Get(index);
}

void Enable(HWND control, bool on) { EnableWindow(control, on ? TRUE : FALSE); }

}  // namespace

void TMixInForm::BuildDspPage() {
    MixInFormControls& c = controls_;
    HWND page = c.Pages[kPageDsp];
    RECT area{};
    GetClientRect(page, &area);
    const int listWidth = area.right - kPanel1Width;
    const int listHeight = area.bottom - kPanel2Height;

    checkListBox1_ = std::make_unique<CheckListBox>(page, 0, 0, listWidth, listHeight, kIdCheckListBox1, font_);
    c.CheckListBox1 = checkListBox1_.get();
    c.CheckListBox1->OnClickCheck = [this] { DspCheckChanged(); };
    c.Panel1 = AddPanel(page, listWidth, 0, kPanel1Width, listHeight, nullptr).Handle();
    TControlPanel& bar = AddPanel(page, 0, listHeight, area.right, kPanel2Height, nullptr);
    c.Panel2 = bar.Handle();
    SetWindowLongA(c.Panel2, GWL_EXSTYLE, GetWindowLongA(c.Panel2, GWL_EXSTYLE) | WS_EX_STATICEDGE);
    SetWindowPos(c.Panel2, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);

    auto button = [&](const char* text, DWORD style, int left, int width, int id) {
        return AddControl(c.Panel2, "BUTTON", text, kChild | style, left - kLoweredEdge, kButtonTop - kLoweredEdge,
                          width, kButtonHeight, id);
    };
    c.ConfigureButton = button("Configure", WS_TABSTOP | BS_PUSHBUTTON, kConfigureLeft, kWideButtonWidth,
                               kIdConfigureButton);
    c.MoveUpSpeedButton = button("", BS_OWNERDRAW, kMoveUpLeft, kSpeedButtonWidth, kIdMoveUpSpeedButton);
    c.MoveDownSpeedButton = button("", BS_OWNERDRAW, kMoveDownLeft, kSpeedButtonWidth, kIdMoveDownSpeedButton);
    c.DetailsButton = button("Details", WS_TABSTOP | BS_PUSHBUTTON, kDetailsLeft, kWideButtonWidth, kIdDetailsButton);
}

int TMixInForm::SelectedDspEntry() const {
    TDSPPluginModulesStack* stack = DSPPluginModulesStack;
    const CheckListBox& list = *controls_.CheckListBox1;
    const int selectedLine = list.Selected();
    return SelectedStackIndex(
        stack != nullptr, list.SelectedCount(), stack != nullptr ? stack->Count() : 0,
        [stack](int i) { return stack->Get(i) != nullptr; }, [selectedLine](int i) { return i == selectedLine; });
}

void TMixInForm::RefillDspList() {
    CheckListBox& list = *controls_.CheckListBox1;
    if (TDSPPluginModulesStack* stack = DSPPluginModulesStack) {
        if (list.Count() != stack->Count()) list.Clear();
        for (int i = 0; i < stack->Count(); ++i) {
            const TDSPPluginModule* entry = stack->Get(i);
            if (entry == nullptr) continue;
            list.SetLine(i, entry->Description);
            list.SetChecked(i, entry->Active);
        }
        InvalidateRect(list.Handle(), nullptr, TRUE);
    }
    UpdateDspButtons();
}

void TMixInForm::UpdateDspButtons() {
    TDSPPluginModulesStack* stack = DSPPluginModulesStack;
    const int selected = SelectedDspEntry();
    const TDSPPluginModule* entry = EntryAt(selected);
    const DspButtonStates states = DspButtonStatesFor(stack != nullptr, selected, stack != nullptr ? stack->Count() : 0,
                                                      entry != nullptr && entry->Active);
    Enable(controls_.ConfigureButton, states.Configure);
    Enable(controls_.MoveUpSpeedButton, states.MoveUp);
    Enable(controls_.MoveDownSpeedButton, states.MoveDown);
    Enable(controls_.DetailsButton, states.Details);
}

bool TMixInForm::HandleDspCommand(HWND control, int code) {
    const MixInFormControls& c = controls_;
    if (c.CheckListBox1 != nullptr && control == c.CheckListBox1->Handle()) {
        if (code == LBN_SELCHANGE) UpdateDspButtons();
        if (code == LBN_DBLCLK) DetailsClick();
        return true;
    }
    if (code != BN_CLICKED) return false;
    if (control == c.ConfigureButton) ConfigureClick();
    else if (control == c.MoveUpSpeedButton) MoveUpClick();
    else if (control == c.MoveDownSpeedButton) MoveDownClick();
    else if (control == c.DetailsButton) DetailsClick();
    else return false;
    return true;
}

void TMixInForm::DspCheckChanged() {
    CheckListBox& list = *controls_.CheckListBox1;
    list.CheckEventAttached = false;
    if (TDSPPluginModulesStack* stack = DSPPluginModulesStack) {
        for (int i = 0; i < stack->Count() && i < list.Count(); ++i) {
            TDSPPluginModule* entry = stack->Get(i);
            if (entry == nullptr || list.Checked(i) == entry->Active) continue;
            const bool asked = list.Checked(i);
            const bool result = entry->SetActive(asked);
            // A refusal (the MixIn entry never goes inactive) puts the tick back.
            if (result != asked) list.SetChecked(i, result);
        }
    }
    list.CheckEventAttached = true;
    UpdateDspButtons();
}

void TMixInForm::ConfigureClick() {
    if (TDSPPluginModule* entry = EntryAt(SelectedDspEntry())) entry->Configure();
    UpdateDspButtons();
}

void TMixInForm::MoveUpClick() {
    TDSPPluginModulesStack* stack = DSPPluginModulesStack;
    const int selected = SelectedDspEntry();
    if (stack != nullptr && selected > 0 && selected < stack->Count()) {
        stack->Exchange(selected - 1, selected);
        RefillDspList();
        controls_.CheckListBox1->Select(selected - 1);
    }
    UpdateDspButtons();
}

void TMixInForm::MoveDownClick() {
    TDSPPluginModulesStack* stack = DSPPluginModulesStack;
    const int selected = SelectedDspEntry();
    if (stack != nullptr && selected >= 0 && selected < stack->Count() - 1) {
        stack->Exchange(selected + 1, selected);
        RefillDspList();
        controls_.CheckListBox1->Select(selected + 1);
    }
    UpdateDspButtons();
}

void TMixInForm::DetailsClick() {
    const TDSPPluginModule* entry = EntryAt(SelectedDspEntry());
    if (entry == nullptr || entry->Plugin == nullptr) return;
    const TDSPPlugin& library = *entry->Plugin;
    ModuleInfoFacts facts;
    facts.IndexInPlugin = entry->IndexInPlugin;
    facts.EntryCount = library.EntryCount();
    facts.ModuleDescription = entry->Description;
    facts.PluginDescription = library.Description;
    facts.HeaderVersion = library.HeaderVersion;
    facts.FileName = library.FileName;
    facts.VersionInfo = &library.VersionInfo;
    if (TDSPPlugins* manager = DSPPlugins) {
        for (const auto& plugin : manager->Plugins) {
            if (!plugin->SkipReason.empty()) facts.LeftOut.push_back(plugin->FileName + ": " + plugin->SkipReason);
        }
    }
    const std::string text = ModuleInfoText(facts);

    // The modal window and the pump after it run other handlers nested: a second Details,
    // or MixIn Quit destroying this window (its destructor then ends the modal window and
    // leaves it to this frame to free).
    PumpingHandler running(detailsRunning_, alive_);
    if (!running.Entered()) return;
    if (InfoForm == nullptr) InfoForm = new TInfoForm(window_);
    TInfoForm* info = InfoForm;
    info->Show(kModuleInfoCaption, text);
    if (!running.ObjectGone()) InfoForm = nullptr;
    delete info;
    if (running.ObjectGone()) return;
    if (PumpWaitingMessages([&] { return running.ObjectGone(); }) == PumpEnd::Stopped) return;
    InvalidateRect(controls_.CheckListBox1->Handle(), nullptr, TRUE);
}

void TMixInForm::FreeInfoForm() {
    TInfoForm* form = InfoForm;
    InfoForm = nullptr;
    if (form == nullptr) return;
    if (detailsRunning_) {
        // Shown by a Details further down the stack: end it there; that frame frees it.
        form->EndShow();
        return;
    }
    delete form;
}

void TMixInForm::PaintDspLine(const DRAWITEMSTRUCT& item) {
    const RECT text = controls_.CheckListBox1->DrawCheck(item);
    const TDSPPluginModule* entry = EntryAt(static_cast<int>(item.itemID));
    if (entry == nullptr || entry->Plugin == nullptr) return;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    HDC dc = item.hDC;
    SetBkColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    const std::string line = entry->Description + " [" + entry->Plugin->FileName + "]";
    ExtTextOutA(dc, text.left, text.top, ETO_CLIPPED | ETO_OPAQUE, &text, line.c_str(),
                static_cast<UINT>(line.size()), nullptr);
    if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &text);
}

void TMixInForm::PaintMoveButton(const DRAWITEMSTRUCT& item, bool up) {
    UINT state = up ? DFCS_SCROLLUP : DFCS_SCROLLDOWN;
    if (item.itemState & ODS_SELECTED) state |= DFCS_PUSHED;
    if (item.itemState & ODS_DISABLED) state |= DFCS_INACTIVE;
    RECT face = item.rcItem;
    DrawFrameControl(item.hDC, &face, DFC_SCROLL, state);
}
