// The process's resource use as the operating system counts it: kernel handles, windows,
// GDI and USER objects, private bytes and the working set. Sampled on the window thread at
// the stages of a run so that leaks across Init/Quit cycles show as growth between two
// samples.
//
// Where the system leaves a count out (Wine answers 0 for the handle count, the private
// usage and the GUI object counts), the nearest figure it does give is used: handles are
// then counted by asking each handle value for its flags, and private bytes are the
// committed (page-file) bytes, which Windows reports as the same figure.
#pragma once

#include <cstdint>
#include <string>

struct ResourceUsage {
    unsigned long Handles = 0;
    unsigned long Windows = 0;  // windows of this process, top-level and child
    unsigned long GdiObjects = 0;
    unsigned long UserObjects = 0;
    uint64_t PrivateBytes = 0;
    uint64_t WorkingSetBytes = 0;
};

ResourceUsage SampleResourceUsage();

// "resources STAGE: handles=N windows=N gdi=N user=N private_bytes=N working_set=N"
std::string FormatResourceUsage(const char* stage, const ResourceUsage& usage);
