// MixIn module (module 0) callbacks: the life cycle that creates the plug-in's objects on
// Init, in a fixed order, and takes them down on Quit, and the per-block routing through
// the bypass save and the module stack.
//
// Init, Config and Quit run on the host's window thread, ModifySamples on its playback
// thread. Every object is published in its exported global only when fully built, and
// unpublished before it is destroyed. No exception leaves a callback: a failure while
// building the objects takes down what was built, in reverse order, tells the user and
// makes Init answer 1.
//
// Blocks pass a gate that Init opens and Quit closes: Quit waits, for a bounded time, for a
// block still being processed before it frees anything that block uses; blocks that come
// after pass through unchanged. Should the block not end in time (a hosted module that
// hangs), Quit tells the user and leaves everything as it is, the module still loaded and
// its blocks passing through unchanged: a later Quit finishes the job. The capture thread
// is likewise waited for a bounded time, and left running (with a message) should it hang.
#include <windows.h>

#include <chrono>
#include <exception>
#include <memory>

#include "capture/wave_in_rec_thread.h"
#include "ui/config_form.h"
#include "config/plugin_config.h"
#include "core/block_gate.h"
#include "core/bypass.h"
#include "core/exported_globals.h"
#include "core/mix_state.h"
#include "core/mixer_wiring.h"
#include "base/plugin_error.h"
#include "plugin/plugin_modules.h"
#include "plugin/plugin_stacker_host.h"
#include "host/error_display.h"
#include "host/winamp_api_man.h"
#include "stacker/new_dsp_plugins.h"
#include "stacker/published_chain.h"
#include "ui/mix_in_form.h"

namespace {

// How long Init waits for the new capture thread to come up before it gives up.
constexpr DWORD kCaptureStartTimeoutMs = 5000;
inline constexpr const char* kCaptureStartFailedText = "The capture thread did not start.";
// How long Quit waits for a block in flight, and for the capture thread to end.
constexpr std::chrono::milliseconds kBlockWait{2000};
constexpr DWORD kCaptureQuitTimeoutMs = 5000;
inline constexpr const char* kQuitBlockedText =
    "Tidewell could not stop: a block of audio is still being processed (a DSP module in the stack "
    "does not return). The audio now passes through unchanged; stop Tidewell again later.";
inline constexpr const char* kCaptureStuckText =
    "The capture thread did not end in time (the input device does not answer); it is left running.";

std::unique_ptr<PluginStackerHost> stackerHost;
BlockGate& blocks = PluginBlockGate();

bool IsMixInRecord(const winampDSPModule* module) {
    return module == &PluginModule(kMixInModuleIndex);
}

TWinAmpAPIMan* LinkOf(winampDSPModule* module) { return static_cast<TWinAmpAPIMan*>(module->userData); }

void DestroyControlWindow() {
    TMixInForm* form = MixInForm;
    MixInForm = nullptr;
    delete form;  // stores the window's position and the active flag
}

void DestroyCaptureThread() {
    TWaveInRecThread* thread = WaveInRecThread;
    SetMixerCaptureQueue(nullptr);
    WaveInRecThread = nullptr;
    if (thread == nullptr) return;
    thread->Quit();
    if (!thread->WaitFor(kCaptureQuitTimeoutMs)) {
        // Stuck in the device's driver: waiting longer could hang the player; leave it.
        ShowErrorMessage(kCaptureStuckText);
        return;
    }
    delete thread;  // the thread has ended: closes a device still open, frees the buffers
}

void DestroyStacker() {
    TDSPPlugins* plugins = DSPPlugins;
    DSPPlugins = nullptr;
    delete plugins;  // saves the order into the configuration, unloads the libraries
    stackerHost.reset();
}

void DestroyConfig() {
    TPluginConfig* config = PluginConfig;
    PluginConfig = nullptr;
    if (config == nullptr) return;
    const bool bypass = MixState.EnableBypass;
    config->ChangeOrReport([bypass](TPluginConfig& c) { c.SetEnableBypass(bypass); });
    delete config;  // saves the file
}

void DestroyLink(winampDSPModule* module) {
    TWinAmpAPIMan* link = LinkOf(module);
    module->userData = nullptr;
    delete link;
}

// Everything that Init builds after the host window link; on failure the caller tears
// down whatever got published.
void BuildObjects(winampDSPModule* module, TWinAmpAPIMan& link) {
    PluginConfig = new TPluginConfig(&link);

    if (DSPPlugins == nullptr) {
        stackerHost = std::make_unique<PluginStackerHost>(link);
        OwnLibrary own;
        own.Header = &PluginHeader();
        own.MixIn = &PluginModule(kMixInModuleIndex);
        own.Bypass = &PluginModule(kBypassModuleIndex);
        own.MixSamples = MixSamples;
        DSPPlugins = NewDSPPlugins(*stackerHost, own);
    }

    MixState.buff0.data = nullptr;
    MixState.PTTMixInPercent = kDefaultPttMixInPercent;
    MixState.MSMode = kModeOff;
    MixState.SendNotifyWndRMS = true;

    auto thread = std::make_unique<TWaveInRecThread>();
    thread->Resume();
    if (!thread->WaitUntilIdle(kCaptureStartTimeoutMs)) throw PluginError(kCaptureStartFailedText);

    if (PluginConfig != nullptr) {
        thread->SetPriority(PluginConfig->RecThreadPriority);
        MixState.EnableBypass = PluginConfig->EnableBypass;
        MixState.Latency = PluginConfig->Latency;
    }

    // The window applies the saved settings through the MixState setters as it is built.
    auto form = std::make_unique<TMixInForm>(static_cast<HWND>(module->hwndParent));
    form->HostLink = &link;
    MixState.NotifyHWnd = form->Handle();

    WaveInRecThread = thread.release();
    SetMixerCaptureQueue(WaveInRecThread);
    MixInForm = form.release();
}

}  // namespace

int TIDEWELL_CDECL MixInInit(winampDSPModule* module) {
    if (!IsMixInRecord(module) || MixState.InitBusy || MixInLoaded) return 0;
    MixState.InitBusy = true;
    MixInLoaded = 1;
    MixState.ResetForInit();

    TWinAmpAPIMan* link = nullptr;
    try {
        link = new TWinAmpAPIMan(module);
    } catch (...) {
        // The link shows its own message for a missing record.
        MixState.InitBusy = false;
        MixInLoaded = 0;
        return 1;
    }
    module->userData = link;

    try {
        BuildObjects(module, *link);
    } catch (const std::exception& e) {
        MixState.NotifyHWnd = nullptr;
        DestroyControlWindow();
        DestroyCaptureThread();
        DestroyStacker();
        DestroyConfig();
        DestroyLink(module);
        MixState.NotifyHWnd = nullptr;
        MixState.InitBusy = false;
        MixInLoaded = 0;
        if (e.what()[0] != '\0') ShowErrorMessage(e.what());
        return 1;
    }
    MixState.InitBusy = false;
    blocks.Open();
    return 0;
}

void TIDEWELL_CDECL MixInConfig(winampDSPModule* module) {
    if (!IsMixInRecord(module) || ConfigForm != nullptr) return;
    try {
        TWinAmpAPIMan* link = LinkOf(module);
        HWND owner = link != nullptr ? link->DialogParent() : nullptr;
        auto dialog = std::make_unique<TConfigForm>(owner);
        ConfigForm = dialog.get();
        dialog->ShowModal();
        if (WaveInRecThread != nullptr) WaveInRecThread->SetPriority(dialog->SelectedPriority());
        if (PluginConfig != nullptr) PluginConfig->SetRecThreadPriority(static_cast<uint8_t>(dialog->SelectedPriority()));
    } catch (const std::exception& e) {
        ShowErrorMessage(e.what());
    }
    ConfigForm = nullptr;
}

int TIDEWELL_CDECL MixInModifySamples(winampDSPModule* module, short* samples, int numsamples,
                                      int bps, int nch, int srate) {
    if (!IsMixInRecord(module)) return numsamples;
    const BlockPass pass(blocks);
    if (!pass) return numsamples;
    try {
        BypassSaveStep(samples, numsamples, bps, nch, srate);
    } catch (const std::bad_alloc&) {
        // No memory for the copy: this block simply has none.
    }
    int result = numsamples;
    if (RunPublishedChain(DSPPluginModulesStack, samples, numsamples, bps, nch, srate, result)) return result;
    return MixSamples(module, samples, numsamples, bps, nch, srate);
}

void TIDEWELL_CDECL MixInQuit(winampDSPModule* module) {
    if (!IsMixInRecord(module)) return;
    blocks.Close();
    if (!blocks.WaitIdle(kBlockWait)) {
        ShowErrorMessage(kQuitBlockedText);
        return;
    }
    MixerDropBuffer();
    MixState.NotifyHWnd = nullptr;
    DestroyControlWindow();
    DestroyStacker();
    DestroyCaptureThread();
    DestroyConfig();
    DestroyLink(module);
    BypassFreeCopy();
    MixInLoaded = 0;
}
