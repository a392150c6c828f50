// The command line of tidewell-host: what to load, what to play, and what to do while it
// plays. Parsed once on the main thread before anything else happens.
#pragma once

#include <string>
#include <vector>

// Something the host does at a point of the stream: hold a play state for a while, call
// the module's Config, or seek (empty the player's output buffer).
enum class StreamActionKind { Pause, Stop, Config, Seek };

struct StreamAction {
    StreamActionKind Kind = StreamActionKind::Config;
    double AtSeconds = 0;   // stream time: the action happens before the first block starting there
    double ForSeconds = 0;  // holds only: wall-clock time the state lasts, also when running fast
};

inline constexpr int kDefaultBlockFrames = 576;
inline constexpr int kDefaultCycleEvery = 1;
inline constexpr int kDefaultPollMs = 10;

// The player pacing: the playback thread acts as a player's decode thread that feeds an
// output buffer of OutputMs milliseconds, waking every PollMs milliseconds.
struct PlayerPace {
    int OutputMs = 0;  // 0: no player pacing (blocks evenly paced in real time, or --fast)
    int PollMs = kDefaultPollMs;
};

struct HostOptions {
    std::string Library;     // the DSP library to load
    std::string InputWav;    // the "playing stream"
    std::string OutputWav;   // empty: the processed stream is not written
    int ModuleIndex = 0;
    int BlockFrames = kDefaultBlockFrames;
    bool Fast = false;       // no real-time pacing
    PlayerPace Pace;
    bool LogBursts = false;  // with the player pacing: one line per wake-up that hands blocks over
    std::string PluginDir;   // empty: the library's folder
    std::string IniFile;     // empty: winamp.ini beside the plug-in folder
    std::vector<StreamAction> Actions;  // in command-line order
    double ConfigCloseAfter = -1;       // seconds; negative: close Config's windows when the stream ends
    int Cycles = 0;                     // Init/Quit cycles while blocks flow
    int CycleEvery = kDefaultCycleEvery;  // blocks processed between two cycles
    double ResourcesEvery = 0;          // seconds between resource samples; 0: none
    bool Help = false;
};

struct HostOptionsResult {
    HostOptions Options;
    std::string Error;  // empty when the command line is sound
};

// `args` excludes the program name.
HostOptionsResult ParseHostOptions(const std::vector<std::string>& args);

// What the command line asks that the input stream cannot give (the player's output buffer
// must hold a whole block); empty when the two agree.
std::string CheckOptionsAgainstStream(const HostOptions& options, int sampleRate);

// The text --help prints.
const char* HostUsageText();
