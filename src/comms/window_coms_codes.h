// The vocabulary of the comms message "WindowComsProtocol": the codes in WPARAM byte 0, the
// error codes carried by "9" and "Z", the timer ids of a data message handler, and the
// notifications that a server's listening thread sends to the component's front window.
// Every peer on the desktop relies on these numbers; they never change.
#pragma once

#include <cstdint>

// The name every process registers to get the one comms message number.
inline constexpr char kWindowComsProtocolName[] = "WindowComsProtocol";

// Control codes, between listening windows, endpoint windows and client windows.
enum WindowComsControlCode : uint8_t {
    kComsQuery = 0,               // LPARAM asker; the result is the answering window
    kComsServerAnnouncement = 1,  // broadcast by a listening window in answer to 0
    kComsNameRequest = 2,         // LPARAM requester; a starting server broadcasts it
    kComsNameFirst = 3,           // first name character in byte 1, sent synchronously
    kComsNameNext = 4,            // a middle name character
    kComsNameLast = 5,            // the last (or only) name character
    kComsServerStarted = 6,       // broadcast by a starting listening window
    kComsServerStopped = 7,       // broadcast by a stopping listening window
    kComsUnused = 8,
    kComsEndpointAnnouncement = 9,  // broadcast by an endpoint window in answer to 0
    kComsConnect = 10,              // LPARAM client window; the result is the endpoint window
    kComsAccepted = 11,             // posted by a new endpoint to its client, LPARAM endpoint
    kComsDisconnect = 12,           // client to endpoint or listening window, or endpoint to client
};

// Data codes, handler to handler on one connection: "0" to "o".
inline constexpr uint8_t kFirstDataCode = '0';
inline constexpr uint8_t kLastDataCode = 'o';
// "P" to "o" travel from a sender to a receiver and go to the receive side.
inline constexpr uint8_t kFirstSenderCode = 'P';

enum WindowComsSenderCode : uint8_t {
    kSendStart = 'P',
    kSendSizeHigh = 'Q',
    kSendSizeLow = 'R',
    kSendKindText = 'S',
    kSendKindBinary = 'T',
    kSendHeaderDone = 'U',
    kSendByte = 'V',
    kSendPayloadDone = 'W',
    kSendChecksum = 'X',
    kSendNoChecksum = 'Y',
    kSendAbort = 'Z',
};

enum WindowComsReceiverCode : uint8_t {
    kAckStart = '0',
    kAckRefused = '1',
    kAckSizeHigh = '2',
    kAckSizeLow = '3',
    kAckKind = '4',
    kAckBufferReady = '5',
    kAckByte = '6',
    kAckPayloadDone = '7',
    kAckDelivered = '8',
    kAckAbort = '9',
};

inline constexpr bool IsDataCode(uint8_t code) {
    return code >= kFirstDataCode && code <= kLastDataCode;
}

// WindowComsMessageDataErrorType: one byte, 0 = no error. Codes received in "9" and "Z" are
// passed on as they arrive, whatever their value.
using WindowComsMessageDataErrorType = uint8_t;
enum WindowComsError : WindowComsMessageDataErrorType {
    kComsNoError = 0,
    kComsSizeMismatch = 1,
    kComsSequenceError = 2,
    kComsChecksumMismatch = 3,
    kComsZeroInText = 4,
    kComsRefused = 5,
    kComsTimeOut = 6,
    kComsPeerDestroyed = 7,
};

// Message kinds of a transfer and of a receive-queue item.
enum WindowComsKind : uint8_t {
    kComsKindNone = 0,
    kComsKindText = 1,
    kComsKindBinary = 2,
};

// Timer ids on a handler's own window.
inline constexpr uint32_t kReceiveTimerId = 1024;
inline constexpr uint32_t kSendTimerId = 1280;

inline constexpr uint32_t kDefaultComsTimeOutMs = 2000;

// The largest announced size a receiver accepts. A larger "Q"/"R" announcement fails the
// transfer with a size mismatch before any memory is taken, so no peer can make the
// listening thread allocate more than this per connection.
inline constexpr uint32_t kMaxTransferSize = 1024 * 1024;

// Notifications from the listening thread and the endpoints to the component's front window
// (WPARAM the endpoint unless noted; LPARAM the error code for 1032 and 1033).
enum WindowComsFrontMessage : uint32_t {
    kFrontListening = 1024,     // WPARAM listening window, posted
    kFrontStopped = 1025,       // WPARAM listening window, posted
    kFrontConnect = 1026,       // posted; the endpoint is kept until its 1027 is handled
    kFrontDisconnect = 1027,    // posted after all other notices of the endpoint
    kFrontReadBinary = 1028,    // posted
    kFrontReadString = 1029,    // posted
    kFrontWroteBinary = 1030,   // never sent
    kFrontWroteString = 1031,   // never sent
    kFrontSendError = 1032,     // posted
    kFrontReceiveError = 1033,  // posted
};
