// The guard around every call into a hosted DSP module's code (header lookup, getModule,
// Init, Config, ModifySamples, Quit) and around the mixing step at the MixIn entry.
//
// Hosted libraries are foreign code: a failure there may be a C++ exception of our own
// runtime or a Windows structured exception (an access violation, another compiler's C++
// throw, another language runtime's exception). Run() contains all of them and reports
// false; the caller then leaves the module's state as it was. Run() itself never throws.
//
// Any thread may call Run(); an implementation holds no state between calls. The chain
// calls it once per active entry per block, so it must neither allocate nor lock.
#pragma once

using GuardedProc = void (*)(void* context);

class ForeignCallGuard {
public:
    virtual ~ForeignCallGuard() = default;
    // Runs proc(context); true when it returned normally, false when a failure was contained.
    virtual bool Run(GuardedProc proc, void* context) noexcept = 0;
};

// Contains C++ exceptions only: the guard of the portable build, where a hosted module can
// fail no other way. The Win32 build uses StructuredCallGuard.
class CatchingCallGuard final : public ForeignCallGuard {
public:
    bool Run(GuardedProc proc, void* context) noexcept override;
};
