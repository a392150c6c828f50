// The module (DLL or test program) that contains the control window's code: its window
// classes are registered there.
#pragma once

#include <windows.h>

HINSTANCE ModuleOfControlWindowCode();
