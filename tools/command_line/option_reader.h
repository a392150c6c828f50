// The command-line convention of every Tidewell tool, in one place:
//   - an option is "--name" (or "-x"); one that takes a value reads "--name value" and
//     "--name=value" alike;
//   - "--" ends the options: every argument after it is an operand, even one starting with "-";
//   - a mistake is reported as "TOOL: what is wrong" and "Try 'TOOL --help'." on stderr, and
//     the tool exits with kUsageExitCode.
// OptionReader walks the arguments; each tool's parser decides what the names mean.
#pragma once

#include <string>
#include <vector>

inline constexpr int kUsageExitCode = 2;

class OptionReader {
public:
    explicit OptionReader(const std::vector<std::string>& arguments) : arguments_(arguments) {}

    // Moves to the next argument; false after the last.
    bool Next();
    // The current argument is an option, not an operand ("-" alone and everything after "--"
    // are operands).
    bool IsOption() const { return option_; }
    // The option's name without an inline value ("--listen" of "--listen=a:1"), or the operand.
    const std::string& Name() const { return name_; }
    // Takes the current option's value: the inline one, else the next argument. False, with
    // `error` saying so, when there is none.
    bool TakeValue(std::string& value, std::string& error);
    // For an option that takes no value: false, with `error` saying so, when one was given
    // inline ("--fast=1").
    bool RefuseValue(std::string& error) const;

private:
    const std::vector<std::string>& arguments_;
    size_t next_ = 0;
    bool operandsOnly_ = false;
    bool option_ = false;
    bool hasInline_ = false;
    std::string name_;
    std::string inline_;
};

// Prints the two lines of a usage mistake to stderr and returns kUsageExitCode.
int ReportUsageError(const char* program, const std::string& what);
