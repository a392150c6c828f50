#include "module_guard.h"

#include <windows.h>

namespace {

// The flags of a handler call made while unwinding, not while looking for a handler.
constexpr DWORD kUnwindingFlags = 0x2 | 0x4;  // EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND

// A registration record on the thread's exception chain (fs:[0]), extended with what the
// handler needs to jump back into CallGuarded. The first two fields are the system's.
struct GuardFrame {
    GuardFrame* Next;
    void* Handler;
    void* Resume[5];  // __builtin_setjmp buffer
    DWORD Code;
};

extern "C" EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD* record, void* establisherFrame,
                                                     CONTEXT*, void*) {
    if (record->ExceptionFlags & kUnwindingFlags) return ExceptionContinueSearch;
    auto* frame = static_cast<GuardFrame*>(establisherFrame);
    frame->Code = record->ExceptionCode;
    // Back into CallGuarded's frame; the records the dispatcher pushed above ours are
    // dropped there by restoring the chain to what it was before the call.
    __builtin_longjmp(frame->Resume, 1);
}

GuardFrame* ChainHead() {
    GuardFrame* head;
    asm volatile("movl %%fs:0, %0" : "=r"(head));
    return head;
}

void SetChainHead(GuardFrame* head) { asm volatile("movl %0, %%fs:0" : : "r"(head) : "memory"); }

}  // namespace

unsigned long CallGuarded(void (*function)(void*), void* context) {
    static_assert(sizeof(void*) == 4, "the exception-chain guard is for 32-bit Windows");
    GuardFrame frame{};
    frame.Next = ChainHead();
    frame.Handler = reinterpret_cast<void*>(&GuardHandler);
    frame.Code = kNoFault;
    GuardFrame* volatile framePointer = &frame;
    if (__builtin_setjmp(frame.Resume) == 0) {
        SetChainHead(framePointer);
        function(context);
    }
    SetChainHead(framePointer->Next);
    return framePointer->Code;
}
