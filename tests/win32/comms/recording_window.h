// A window that records every comms message it gets and answers nothing: a silent or
// scripted peer for the transport and endpoint tests. It can post data codes as if it were
// the peer's sender or receiver.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "comms/protocol_message.h"
#include "comms/window_coms_wire.h"
#include "host/cust_allocate_hwnd.h"

class RecordingWindow {
public:
    struct Received {
        ComsWireMessage message;
        HWND from;
    };

    RecordingWindow() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = "TidewellCommsRecorder";
        window_ = CustAllocateHWnd(WindowMethod::Of<&RecordingWindow::Handle>(this), &windowClass);
    }
    ~RecordingWindow() { CustDeallocateHWnd(window_); }

    HWND Window() const { return window_; }
    void Post(HWND to, char code, BYTE byte = 0, WORD value = 0) const {
        const ComsWireMessage message{static_cast<uint8_t>(code), byte, value};
        PostMessageA(to, WindowComsProtocolMessage(), PackComsWParam(message), ComsSender(window_));
    }
    // The codes received so far, with the data byte after "9" and "Z": "0", "96", ...
    std::vector<std::string> Codes() const {
        std::vector<std::string> codes;
        for (const auto& r : received) {
            std::string code(1, static_cast<char>(r.message.code));
            if (r.message.code == '9' || r.message.code == 'Z') code += std::to_string(r.message.byte);
            codes.push_back(code);
        }
        return codes;
    }

    std::vector<Received> received;

private:
    void Handle(WindowMessage& message) {
        if (message.Msg == WindowComsProtocolMessage()) {
            received.push_back({UnpackComsWParam(static_cast<uint32_t>(message.WParam)),
                                ComsSenderWindow(message.LParam)});
            return;
        }
        DefaultWindowMessage(message);
    }

    HWND window_ = nullptr;
};
