// The plug-in library's own module handle, kept at library attach.
#pragma once

#include <windows.h>

extern HINSTANCE ThisLibraryInstance;
