// The standard error display: how a failure's own message is shown to the user (a message
// box with the message, an error icon and an OK button). Window thread only.
#pragma once

#include <string>

inline constexpr const char* kErrorCaption = "Error";

void ShowErrorMessage(const std::string& message);
