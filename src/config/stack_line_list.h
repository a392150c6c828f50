// StackLineList: the saved DSP stack order as the configuration store keeps it.
//
// Contract
// - Owned by TPluginConfig (its member `StackLines`); used on the host's window thread only,
//   by the store itself and by the DSP stacker (LoadOrder reads the lines, SaveOrder writes
//   them). No lock.
// - The lines are opaque "name=value" texts to the store; the stacker gives them meaning.
// - Every change is one call of Replace, and every Replace is one change: the store's change
//   handler then saves the whole settings file at once. Replace assigns the lines first and
//   notifies afterwards, so when the save fails (the handler throws "Unable to write to ...")
//   the new lines are kept and the error reaches the caller of Replace.
// - What the file gets: see StackLineEntry below; a line that has no name or no value is kept
//   in the list but never written.
#pragma once

#include <functional>
#include <string>
#include <vector>

class StackLineList {
public:
    using ChangeHandler = std::function<void()>;

    const std::vector<std::string>& Lines() const { return lines_; }
    size_t Count() const { return lines_.size(); }

    // Replaces every line in one batch and notifies once, even when the lines are the same.
    void Replace(std::vector<std::string> lines);

    // The handler called after each change; an empty one detaches it. Returns the previous
    // handler, so a caller that must change the lines silently can put it back afterwards.
    ChangeHandler SetChangeHandler(ChangeHandler handler);

private:
    std::vector<std::string> lines_;
    ChangeHandler onChange_;
};

// The file key and value of one line: the part before the first "=" and the rest after it.
// Returns false when the line has no "=", or the name or the value is empty: such a line is
// never written to the file.
bool StackLineEntry(const std::string& line, std::string& name, std::string& value);
