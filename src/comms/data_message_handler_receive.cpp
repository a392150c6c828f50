// The receive side of the data message handler: "P" to "Z" from the peer's sender, answered
// with "0" to "9".
#include "comms/data_message_handler.h"

void TQXWindowComsDataMessageHandler::ReceiveSideMessage(const ComsWireMessage& message,
                                                         ProtocolActions& out) {
    StopTimer(kReceiveTimerId, receiveTimerArmed_, out);
    ReceiveState& r = receive_;

    switch (message.code) {
    case kSendStart:
        if (r.started) return FailReceive(kComsSequenceError, out);
        ResetReceive();
        receive_.seenStart = true;
        return EvaluateReceive(out);

    case kSendSizeHigh:
    case kSendSizeLow:
    case kSendKindText:
    case kSendKindBinary: {
        bool& seen = message.code == kSendSizeHigh  ? r.seenSizeHigh
                     : message.code == kSendSizeLow ? r.seenSizeLow
                                                    : r.seenKind;
        if (seen) return FailReceive(kComsSequenceError, out);
        seen = true;
        uint8_t ack = kAckKind;
        if (message.code == kSendSizeHigh) {
            r.size = (r.size & 0x0000FFFFu) | (uint32_t{message.value} << 16);
            ack = kAckSizeHigh;
        } else if (message.code == kSendSizeLow) {
            r.size = (r.size & 0xFFFF0000u) | message.value;
            ack = kAckSizeLow;
        } else {
            r.kind = message.code == kSendKindText ? kComsKindText : kComsKindBinary;
        }
        EvaluateReceive(out);
        // The header acknowledgement goes out even when the evaluation failed; the timer only
        // guards a receive that is still in progress.
        Post(out, ack);
        if (receive_.started) ArmTimer(kReceiveTimerId, receiveTimerArmed_, out);
        return;
    }

    case kSendHeaderDone:
        if (r.seenHeaderDone) return FailReceive(kComsSequenceError, out);
        r.seenHeaderDone = true;
        return EvaluateReceive(out);

    case kSendByte:
        if (!r.payloadPhase) return FailReceive(kComsSequenceError, out);
        if (r.kind == kComsKindText && message.byte == 0) return FailReceive(kComsZeroInText, out);
        if (r.count >= r.size) return FailReceive(kComsSizeMismatch, out);
        r.buffer[r.count++] = message.byte;
        Post(out, kAckByte);
        return ArmTimer(kReceiveTimerId, receiveTimerArmed_, out);

    case kSendPayloadDone:
        if (r.seenPayloadDone) return FailReceive(kComsSequenceError, out);
        r.seenPayloadDone = true;
        return EvaluateReceive(out);

    case kSendChecksum:
    case kSendNoChecksum:
        if (r.seenChecksum || r.seenNoChecksum) return FailReceive(kComsSequenceError, out);
        if (message.code == kSendChecksum) {
            r.seenChecksum = true;
            r.checksum = message.value;
        } else {
            r.seenNoChecksum = true;
        }
        return EvaluateReceive(out);

    case kSendAbort:
        // The sender gave up; it expects no answer.
        ResetReceive();
        OnReceiveError(message.byte);
        return;

    default:
        return;
    }
}

// First match wins.
void TQXWindowComsDataMessageHandler::EvaluateReceive(ProtocolActions& out) {
    const ReceiveState& r = receive_;
    const bool anyHeader = r.seenSizeHigh || r.seenSizeLow || r.seenKind;
    const bool fullHeader = r.seenSizeHigh && r.seenSizeLow && r.seenKind;
    const bool anyAfterStart = anyHeader || r.seenHeaderDone || r.seenPayloadDone ||
                               r.seenChecksum || r.seenNoChecksum;
    const bool open = r.started && r.seenStart;

    if (!r.started && r.seenStart && !anyAfterStart) {
        receive_.started = true;
        OnReceiveStarted();
        Post(out, kAckStart);
        return ArmTimer(kReceiveTimerId, receiveTimerArmed_, out);
    }
    if (open && anyHeader && !r.seenHeaderDone && !r.seenPayloadDone) return;  // header arriving
    if (open && fullHeader && r.seenHeaderDone && !r.seenPayloadDone) return EnterPayloadPhase(out);
    if (open && fullHeader && r.seenHeaderDone && r.seenPayloadDone) return FinishPayload(out);
    FailReceive(kComsSequenceError, out);
}

// The header is complete: take a buffer of the announced size and ask for the payload.
// Sizes above kMaxTransferSize are refused before anything is allocated.
void TQXWindowComsDataMessageHandler::EnterPayloadPhase(ProtocolActions& out) {
    ReceiveState& r = receive_;
    if (r.size > kMaxTransferSize) return FailReceive(kComsSizeMismatch, out);
    uint8_t* buffer = AllocateBuffer(r.size);
    if (buffer == nullptr) return FailReceive(kComsSizeMismatch, out);
    r.buffer.reset(buffer);  // a repeated evaluation starts over with a fresh buffer
    r.count = 0;
    r.payloadPhase = true;
    Post(out, kAckBufferReady);
    ArmTimer(kReceiveTimerId, receiveTimerArmed_, out);
}

void TQXWindowComsDataMessageHandler::FinishPayload(ProtocolActions& out) {
    ReceiveState& r = receive_;
    r.payloadPhase = false;
    if (r.count != r.size) return FailReceive(kComsSizeMismatch, out);
    if (!r.seenChecksum && !r.seenNoChecksum) {
        Post(out, kAckPayloadDone);
        return ArmTimer(kReceiveTimerId, receiveTimerArmed_, out);
    }
    if (r.seenChecksum && r.checksum != ComsChecksum(r.buffer.get(), r.size)) {
        return FailReceive(kComsChecksumMismatch, out);
    }
    Deliver();
    Post(out, kAckDelivered);
}

// Hands the message to the data callback of its kind, which may take the buffer over; when
// nobody took it, the ready notification sees it while the handler still holds it.
void TQXWindowComsDataMessageHandler::Deliver() {
    ReceiveState& r = receive_;
    r.started = false;
    const bool text = r.kind == kComsKindText;
    const auto& data = text ? OnTextData : OnBinaryData;
    bool taken = false;
    if (data) {
        taken = true;
        data(r.buffer.get(), r.size, taken);
        if (taken) (void)r.buffer.release();
    }
    if (!taken) {
        const auto& ready = text ? OnTextReady : OnBinaryReady;
        ready(r.buffer.get(), r.size);
    }
    ResetReceive();
}

void TQXWindowComsDataMessageHandler::FailReceive(WindowComsMessageDataErrorType code,
                                                  ProtocolActions& out) {
    receive_.error = code;
    OnReceiveError(code);
    ResetReceive();
    Post(out, kAckAbort, code);
}
