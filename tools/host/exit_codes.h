// What tidewell-host's exit code tells a script that ran it.
#pragma once

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitInternalError = 1;     // a fault of the tool itself
inline constexpr int kExitInputWav = 3;          // input missing, unreadable or not PCM WAV
inline constexpr int kExitLibrary = 4;           // library not loadable, no entry point, bad header, no such module
inline constexpr int kExitOutputWav = 5;         // output file could not be written
inline constexpr int kExitModuleFault = 6;       // a module callback faulted, overran its room or broke the frame contract
inline constexpr int kExitCyclesIncomplete = 7;  // the stream ended before every requested Init/Quit cycle was done
