#include "host/error_display.h"

#include <windows.h>

#include "host/message_box.h"

void ShowErrorMessage(const std::string& message) {
    ShowMessageBox(nullptr, message, kErrorCaption, MB_OK | MB_ICONERROR);
}
