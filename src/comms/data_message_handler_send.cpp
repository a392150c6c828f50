// The send side of the data message handler: "0" to "9" from the peer's receiver, answered
// with "P" to "Z"; the send queue.
#include "comms/data_message_handler.h"

#include <cstring>
#include <limits>
#include <new>
#include <utility>

void TQXWindowComsDataMessageHandler::SendSideMessage(const ComsWireMessage& message,
                                                      ProtocolActions& out) {
    StopTimer(kSendTimerId, sendTimerArmed_, out);
    SendState& s = send_;

    switch (message.code) {
    case kAckStart:
        if (s.got0) return FailSend(kComsSequenceError, true, out);
        s.got0 = true;
        OnSendStarted();
        Post(out, kSendSizeHigh, 0, static_cast<uint16_t>(s.size >> 16));
        return ArmTimer(kSendTimerId, sendTimerArmed_, out);

    case kAckSizeHigh: {
        if (s.got2) return FailSend(kComsSequenceError, true, out);
        s.got2 = true;
        const uint16_t low = static_cast<uint16_t>(s.size & 0xFFFF);
        // The next header part belongs to this transfer only; after a failed evaluation the
        // state is reset (or already holds the next message), so nothing more is sent.
        if (EvaluateSend(out)) {
            Post(out, kSendSizeLow, 0, low);
            ArmTimer(kSendTimerId, sendTimerArmed_, out);
        }
        return;
    }

    case kAckSizeLow: {
        if (s.got3) return FailSend(kComsSequenceError, true, out);
        s.got3 = true;
        const uint8_t kind = s.kind == kComsKindBinary ? kSendKindBinary : kSendKindText;
        if (EvaluateSend(out)) {
            Post(out, kind);
            ArmTimer(kSendTimerId, sendTimerArmed_, out);
        }
        return;
    }

    case kAckKind:
    case kAckBufferReady:
    case kAckDelivered: {
        bool& got = message.code == kAckKind ? s.got4 : message.code == kAckBufferReady ? s.got5 : s.got8;
        if (got) return FailSend(kComsSequenceError, true, out);
        got = true;
        EvaluateSend(out);
        return;
    }

    case kAckRefused:
        if (s.got1) {
            // A second refusal drops the transfer quietly and goes on with the queue.
            ResetSend();
            Post(out, kSendAbort, kComsSequenceError);
            return StartNextQueued(out);
        }
        s.got1 = true;
        EvaluateSend(out);
        return;

    case kAckByte:
        if (s.sending && s.got0 && s.got2 && s.got3 && s.got4 && s.got5 && !s.got1 && !s.allSent &&
            !s.got7 && !s.got8 && !s.got9) {
            return SendNextByte(out);
        }
        return FailSend(kComsSequenceError, true, out);

    case kAckPayloadDone:
        if (s.got7) return FailSend(kComsSequenceError, true, out);
        s.got7 = true;
        if (s.hasChecksum) {
            Post(out, kSendChecksum, 0, s.checksum);
        } else {
            Post(out, kSendNoChecksum);
        }
        return ArmTimer(kSendTimerId, sendTimerArmed_, out);

    case kAckAbort:
        // The receiver gave up; it expects no answer.
        OnSendError(message.byte);
        ResetSend();
        return StartNextQueued(out);

    default:
        return;
    }
}

// First match wins. Returns true while the current transfer goes on.
bool TQXWindowComsDataMessageHandler::EvaluateSend(ProtocolActions& out) {
    const SendState& s = send_;
    const bool anyAck = s.got0 || s.got1 || s.got2 || s.got3 || s.got4 || s.got5 || s.got7 ||
                        s.got8 || s.got9;
    const bool laterAck = s.got1 || s.got5 || s.got7 || s.got8 || s.got9;
    const bool headerAcked = s.sending && s.got0 && s.got2 && s.got3 && s.got4 && s.got5 && !s.got1;
    const bool onlyRefused = s.got1 && !(s.got0 || s.got2 || s.got3 || s.got4 || s.got5 || s.got7 ||
                                         s.got8 || s.got9);

    if (s.sending && !anyAck) {
        Post(out, kSendStart);
        ArmTimer(kSendTimerId, sendTimerArmed_, out);
        return true;
    }
    if (s.sending && onlyRefused) {
        FailSend(kComsRefused, /*tellPeer=*/false, out);
        return false;
    }
    if (s.got0 && s.got1) {
        FailSend(kComsSequenceError, true, out);
        return false;
    }
    if (s.sending && s.got0 && s.got2 && s.got3 && s.got4 && !laterAck) {
        Post(out, kSendHeaderDone);
        ArmTimer(kSendTimerId, sendTimerArmed_, out);
        return true;
    }
    if (s.sending && s.got0 && (s.got2 || s.got3 || s.got4) && !laterAck) return true;  // header
    if (headerAcked && !s.allSent && !s.got7 && !s.got8 && !s.got9) {
        SendNextByte(out);
        return true;
    }
    if (headerAcked && !s.allSent && s.got8) {
        FailSend(kComsSizeMismatch, true, out);
        return false;
    }
    if (headerAcked && s.allSent && s.got8 && !s.got9) {
        ResetSend();  // delivered
        StartNextQueued(out);
        return false;
    }
    FailSend(kComsSequenceError, true, out);
    return false;
}

// One payload byte per "6", then "W". Every code posted arms the timer, so a receiver that
// vanishes at any point of the transfer makes the send time out instead of hanging.
void TQXWindowComsDataMessageHandler::SendNextByte(ProtocolActions& out) {
    SendState& s = send_;
    if (s.index < s.size) {
        Post(out, kSendByte, s.data[s.index++]);
        ArmTimer(kSendTimerId, sendTimerArmed_, out);
        return;
    }
    Post(out, kSendPayloadDone);
    ArmTimer(kSendTimerId, sendTimerArmed_, out);
    s.allSent = true;
}

void TQXWindowComsDataMessageHandler::FailSend(WindowComsMessageDataErrorType code, bool tellPeer,
                                               ProtocolActions& out) {
    send_.error = code;
    OnSendError(code);
    ResetSend();
    if (tellPeer) Post(out, kSendAbort, code);
    StartNextQueued(out);
}

int32_t TQXWindowComsDataMessageHandler::SendString(std::string_view text, ProtocolActions& out) {
    return SendBinaryOrText(reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                            kComsKindText, out);
}

int32_t TQXWindowComsDataMessageHandler::SendBinary(const uint8_t* data, uint32_t size,
                                                    ProtocolActions& out) {
    return SendBinaryOrText(data, size, kComsKindBinary, out);
}

// Copies the bytes, then starts the message at once when nothing is in progress or queued,
// or queues it behind the others. A message too long for the 32-bit size (or for the int
// result) is refused like a failed copy.
int32_t TQXWindowComsDataMessageHandler::SendBinaryOrText(const uint8_t* data, size_t size,
                                                          uint8_t kind, ProtocolActions& out) {
    if (size > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return 0;
    PendingMessage message;
    message.data.reset(new (std::nothrow) uint8_t[size]);
    if (!message.data) return 0;
    if (size > 0) std::memcpy(message.data.get(), data, size);
    message.size = static_cast<uint32_t>(size);
    message.kind = kind;
    message.checksum = ComsChecksum(message.data.get(), message.size);
    message.hasChecksum = true;

    if (!send_.sending && queue_.empty()) {
        StartMessage(std::move(message), out);
    } else {
        try {
            queue_.push_back(std::move(message));
        } catch (...) {
            return 0;
        }
    }
    return static_cast<int32_t>(size);
}

// A new message always starts from a clean send state, so that stray answers received
// while idle cannot disturb it.
void TQXWindowComsDataMessageHandler::StartMessage(PendingMessage message, ProtocolActions& out) {
    ResetSend();
    send_.data = std::move(message.data);
    send_.size = message.size;
    send_.kind = message.kind;
    send_.checksum = message.checksum;
    send_.hasChecksum = message.hasChecksum;
    send_.sending = true;
    EvaluateSend(out);
}

void TQXWindowComsDataMessageHandler::StartNextQueued(ProtocolActions& out) {
    if (queue_.empty()) return;
    PendingMessage next = std::move(queue_.front());
    queue_.pop_front();
    StartMessage(std::move(next), out);
}
