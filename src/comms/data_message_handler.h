// TQXWindowComsDataMessageHandler: one side of one comms connection, running the
// stop-and-wait transfer protocol that moves a text or binary message byte by byte between
// two windows. It is a pure state machine: it consumes events (a data message from a window,
// a timer tick, a request to send) and appends the actions the platform must carry out
// (post a code to the peer, start or stop a timer) to a ProtocolActions list. Windows are
// plain numbers here; the Win32 shell (WindowComsTransport) feeds it and executes its actions.
//
// Theory of operation. The two sides are independent machines, so one connection can send
// and receive at the same time:
//  - the receive side answers "P".."Z" from the peer's sender with "0".."9", collects the
//    announced size, kind and payload, checks the checksum and delivers the message;
//  - the send side answers "0".."9" from the peer's receiver with "P".."Z", walking the
//    current message through header, payload and checksum, then starts the next queued one.
// After each incoming message a side notes what it has seen and then evaluates its state with
// an ordered list of rules, first match wins. Faults reset the side, tell the local owner
// through the side's error notification and the peer through "9" or "Z".
//
// Threads: not thread-safe by itself. The owner serialises every call (the shell holds one
// lock per handler around each event and the execution of its actions), which covers the
// send lock of the design: the choice between starting a message and queueing it, and taking
// the next message from the queue, happen under that lock. Callbacks run inside the event
// that triggers them and must not call back into the handler.
//
// Ownership: the handler owns the buffer being received, the message being sent and every
// queued message. A data callback that keeps its taken flag true becomes the owner of the
// delivered buffer and must free it with delete[].
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>

#include "comms/coms_callback.h"
#include "comms/protocol_action.h"
#include "comms/window_coms_codes.h"
#include "comms/window_coms_wire.h"

class TQXWindowComsDataMessageHandler {
public:
    // Allocates a receive buffer of `size` bytes (delete[] frees it), or returns null.
    using BufferAllocator = uint8_t* (*)(uint32_t size);

    TQXWindowComsDataMessageHandler();
    ~TQXWindowComsDataMessageHandler();
    TQXWindowComsDataMessageHandler(const TQXWindowComsDataMessageHandler&) = delete;
    TQXWindowComsDataMessageHandler& operator=(const TQXWindowComsDataMessageHandler&) = delete;

    // A comms message whose code is a data code ("0" to "o"), from window `sender`. The shell
    // has already answered it with 0 and dropped it if `sender` is not an existing window; a
    // sender other than PeerWindow is ignored here.
    void HandleMessage(const ComsWireMessage& message, ComsWindow sender, ProtocolActions& out);
    // A tick of timer `timerId` on OwnWindow (kReceiveTimerId or kSendTimerId).
    void HandleTimer(uint32_t timerId, ProtocolActions& out);

    // Starts or queues the transfer of the text's bytes (no terminator) as a text message.
    // Returns the number of bytes, or 0 when the copy could not be made.
    int32_t SendString(std::string_view text, ProtocolActions& out);
    // The same for a binary message.
    int32_t SendBinary(const uint8_t* data, uint32_t size, ProtocolActions& out);

    // The destruction step: clears every callback, abandons a receive in progress with "9"
    // and a send in progress with "Z" (both code 7), stops the timers and frees every buffer
    // and queued message. The handler is idle afterwards.
    void Shutdown(ProtocolActions& out);

    // Observers for the owner and for tests.
    bool Receiving() const { return receive_.started; }
    bool Sending() const { return send_.sending; }
    size_t QueuedCount() const { return queue_.size(); }
    bool ReceiveTimerArmed() const { return receiveTimerArmed_; }
    bool SendTimerArmed() const { return sendTimerArmed_; }

    // Set by the owner after construction.
    uint32_t ProtocolMessage = 0;
    uint32_t TimeOut = kDefaultComsTimeOutMs;  // milliseconds; 0 disables both timers
    ComsWindow OwnWindow = 0;
    ComsWindow PeerWindow = 0;

    // Notifications. Only ready, error and started are ever called; the sent slots exist
    // for owners that install them, but no transfer outcome invokes them.
    ComsCallback<const uint8_t*, uint32_t> OnTextReady;
    ComsCallback<const uint8_t*, uint32_t> OnBinaryReady;
    ComsCallback<> OnTextSent;
    ComsCallback<> OnBinarySent;
    ComsCallback<WindowComsMessageDataErrorType> OnReceiveError;
    ComsCallback<WindowComsMessageDataErrorType> OnSendError;
    ComsCallback<> OnReceiveStarted;
    ComsCallback<> OnSendStarted;

    // Data callbacks: called with the buffer, its size and a taken flag preset to true.
    // Leaving it true takes the buffer over.
    ComsCallback<uint8_t*, uint32_t, bool&> OnTextData;
    ComsCallback<uint8_t*, uint32_t, bool&> OnBinaryData;

    // Where receive buffers come from; replaceable so that a failed allocation can be tested.
    BufferAllocator AllocateBuffer;

private:
    struct ReceiveState {
        std::unique_ptr<uint8_t[]> buffer;
        bool started = false;
        bool seenStart = false;       // "P"
        bool seenSizeHigh = false;    // "Q"
        bool seenSizeLow = false;     // "R"
        bool seenKind = false;        // "S" or "T"
        bool seenHeaderDone = false;  // "U"
        bool seenPayloadDone = false; // "W"
        bool seenChecksum = false;    // "X"
        bool seenNoChecksum = false;  // "Y"
        bool payloadPhase = false;
        uint16_t checksum = 0;
        uint32_t count = 0;
        uint32_t size = 0;
        uint8_t kind = kComsKindNone;
        WindowComsMessageDataErrorType error = kComsNoError;
    };

    struct SendState {
        std::unique_ptr<uint8_t[]> data;
        bool sending = false;
        bool got0 = false, got1 = false, got2 = false, got3 = false, got4 = false;
        bool got5 = false, got7 = false, got8 = false, got9 = false;
        uint16_t checksum = 0;
        bool hasChecksum = false;
        uint32_t index = 0;
        uint32_t size = 0;
        bool allSent = false;
        uint8_t kind = kComsKindNone;
        WindowComsMessageDataErrorType error = kComsNoError;
    };

    struct PendingMessage {
        std::unique_ptr<uint8_t[]> data;
        uint32_t size = 0;
        uint8_t kind = kComsKindNone;
        uint16_t checksum = 0;
        bool hasChecksum = false;
    };

    // Receive side.
    void ReceiveSideMessage(const ComsWireMessage& message, ProtocolActions& out);
    void EvaluateReceive(ProtocolActions& out);
    void EnterPayloadPhase(ProtocolActions& out);
    void FinishPayload(ProtocolActions& out);
    void Deliver();
    void FailReceive(WindowComsMessageDataErrorType code, ProtocolActions& out);
    void ResetReceive() { receive_ = ReceiveState{}; }

    // Send side. EvaluateSend returns true while the current transfer goes on.
    void SendSideMessage(const ComsWireMessage& message, ProtocolActions& out);
    bool EvaluateSend(ProtocolActions& out);
    void SendNextByte(ProtocolActions& out);
    void FailSend(WindowComsMessageDataErrorType code, bool tellPeer, ProtocolActions& out);
    void ResetSend() { send_ = SendState{}; }
    int32_t SendBinaryOrText(const uint8_t* data, size_t size, uint8_t kind, ProtocolActions& out);
    void StartMessage(PendingMessage message, ProtocolActions& out);
    void StartNextQueued(ProtocolActions& out);

    // Timers and posting.
    void ArmTimer(uint32_t timerId, bool& armed, ProtocolActions& out);
    void StopTimer(uint32_t timerId, bool& armed, ProtocolActions& out);
    void Post(ProtocolActions& out, uint8_t code, uint8_t byte = 0, uint16_t value = 0);

    ReceiveState receive_;
    SendState send_;
    std::deque<PendingMessage> queue_;
    bool receiveTimerArmed_ = false;
    bool sendTimerArmed_ = false;
};
