// Registering the class of one of our windows, once per module: arrow cursor, the given
// procedure and style. A later call finds the class and leaves it as it is.
#pragma once

#include <windows.h>

enum class ClassBackground {
    ButtonFace,  // the dialog face colour, as the forms and panels have
    None,        // the window paints all of itself
};

// True when the class exists afterwards.
bool EnsureWindowClass(HINSTANCE module, const char* name, WNDPROC procedure, UINT style = 0,
                       ClassBackground background = ClassBackground::ButtonFace);
