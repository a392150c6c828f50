// What a comms error code means, in words for people (the command-line client prints it).
#pragma once

#include "comms/window_coms_codes.h"

// "size mismatch", ... ; "unknown error" for codes outside the table.
const char* ComsErrorMeaning(WindowComsMessageDataErrorType code);
