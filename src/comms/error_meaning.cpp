#include "comms/error_meaning.h"

const char* ComsErrorMeaning(WindowComsMessageDataErrorType code) {
    switch (code) {
    case kComsNoError: return "no error";
    case kComsSizeMismatch: return "size mismatch (more or fewer bytes than announced, or too large)";
    case kComsSequenceError: return "sequence error (repeated or out-of-order message, or a window that is not the peer)";
    case kComsChecksumMismatch: return "checksum mismatch";
    case kComsZeroInText: return "zero byte inside a text";
    case kComsRefused: return "the receiver refused the transfer";
    case kComsTimeOut: return "time-out";
    case kComsPeerDestroyed: return "the other side was closed during the transfer";
    default: return "unknown error";
    }
}
