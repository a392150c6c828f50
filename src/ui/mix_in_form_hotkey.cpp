// The control window's push-to-talk hotkey: its setting, and its presses acting on the pad
// exactly as the pad's own presses do.
#include "config/plugin_config.h"
#include "core/exported_globals.h"
#include "ui/mix_in_form.h"
#include "ui/ptt_hotkey_control.h"
#include "ui/scrollable_paint_box.h"

std::string TMixInForm::ApplyHotkeySetting() {
    std::string name;
    PttHotkeyMode mode = PttHotkeyMode::Hold;
    if (TPluginConfig* config = PluginConfig) {
        name = config->PTTHotkey;
        mode = config->PTTHotkeyToggle ? PttHotkeyMode::Toggle : PttHotkeyMode::Hold;
        releaseDelay_ = config->PTTReleaseDelay;
    }
    hotkey_->Apply(name, mode);
    RefreshStatus();
    return hotkey_->Problem();
}

void TMixInForm::HotkeyPad(PttHotkeyPresses::PadAction action) {
    QueuePttEvent(PressPad(pad_, action));
    controls_.PTTButtonBox->Invalidate();
}
