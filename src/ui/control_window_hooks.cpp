#include "ui/control_window_hooks.h"

#include "core/exported_globals.h"
#include "ui/mix_in_form.h"

void RefillControlWindowDspList() {
    if (TMixInForm* form = MixInForm) form->RefillDspList();
}

std::string ApplyControlWindowHotkey() {
    if (TMixInForm* form = MixInForm) return form->ApplyHotkeySetting();
    return {};
}
