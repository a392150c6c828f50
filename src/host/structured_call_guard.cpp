#include "host/structured_call_guard.h"

#include <windows.h>

namespace {

// The record the system walks on fs:[0]: the first two fields are the system's layout
// (next record, handler); the jump buffer behind them is ours.
struct GuardRecord {
    GuardRecord* next;
    void* handler;
    void* jump[5];  // __builtin_setjmp buffer: frame, resume address, stack pointer
    DWORD code;     // the exception that ended the call
};

GuardRecord* ChainHead() {
    GuardRecord* head;
    asm volatile("movl %%fs:0, %0" : "=r"(head));
    return head;
}

void SetChainHead(GuardRecord* head) { asm volatile("movl %0, %%fs:0" : : "r"(head) : "memory"); }

// Called by the system's dispatcher for an exception raised below the guard. During the
// unwind pass (another handler further up took the exception) there is nothing to do.
extern "C" EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD* record, void* frame,
                                                      CONTEXT*, void*) {
    constexpr DWORD kUnwinding = EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND;
    if (record->ExceptionFlags & kUnwinding) return ExceptionContinueSearch;
    auto* guard = static_cast<GuardRecord*>(frame);
    guard->code = record->ExceptionCode;
    __builtin_longjmp(guard->jump, 1);
}

// Kept out of line: the jump target must be a frame of its own whose stack the handler's
// jump can restore, and nothing of it may live only in registers across the call.
__attribute__((noinline)) unsigned long RunOnChain(GuardedProc proc, void* context) {
    static_assert(sizeof(void*) == 4, "the exception-chain guard is for 32-bit Windows");
    GuardRecord record{};
    record.next = ChainHead();
    record.handler = reinterpret_cast<void*>(&GuardHandler);
    GuardRecord* volatile saved = record.next;
    GuardRecord* volatile self = &record;
    if (__builtin_setjmp(record.jump) != 0) {
        // Back from the handler: the dispatcher's own frames and any the foreign code had
        // pushed are gone with the stack they lived on.
        SetChainHead(saved);
        return self->code;
    }
    SetChainHead(&record);
    struct Unlink {
        GuardRecord* restore;
        ~Unlink() { SetChainHead(restore); }
    } unlink{saved};
    proc(context);
    return kNoFault;
}

}  // namespace

unsigned long RunGuarded(GuardedProc proc, void* context) { return RunOnChain(proc, context); }

bool StructuredCallGuard::Run(GuardedProc proc, void* context) noexcept {
    try {
        return RunOnChain(proc, context) == kNoFault;
    } catch (...) {
        return false;
    }
}
