// How the statistics report writes numbers and date-times: the system's decimal separator
// and its short date / long time formats. The DLL asks the Windows locale; tests supply
// fixed formats. Called on the window thread.
#pragma once

#include <string>

class ReportTextFormat {
public:
    virtual ~ReportTextFormat() = default;
    virtual char DecimalSeparator() const = 0;
    // A date-time in days: the date alone when it has no time part, the time alone when it
    // is below one day, otherwise the date and the time.
    virtual std::string DateTime(double days) const = 0;
};
