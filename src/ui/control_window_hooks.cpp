#include "ui/control_window_hooks.h"

void RefillControlWindowDspList() {}
