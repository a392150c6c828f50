// The guard of a TMixInForm handler that pumps messages while it runs (RamPTT, Details).
// The pump dispatches whatever waits, so the same handler may be asked again (nested), and
// MixIn Quit may destroy the window under it. Entered() is false for a nested call, which
// then does nothing; ObjectGone() tells, after a pump, that the window's destructor has run
// and the handler must return without touching the object. The running flag is cleared on
// leaving, unless the object is gone with it.
#pragma once

#include <memory>

#include "ui/mix_in_form.h"

class TMixInForm::PumpingHandler {
public:
    PumpingHandler(bool& running, const std::shared_ptr<bool>& alive)
        : running_(running), alive_(alive), entered_(!running) {
        if (entered_) running_ = true;
    }
    ~PumpingHandler() {
        if (entered_ && *alive_) running_ = false;
    }
    PumpingHandler(const PumpingHandler&) = delete;
    PumpingHandler& operator=(const PumpingHandler&) = delete;

    bool Entered() const { return entered_; }
    bool ObjectGone() const { return !*alive_; }

private:
    bool& running_;
    std::shared_ptr<bool> alive_;  // a copy: it outlives the object
    bool entered_;
};
