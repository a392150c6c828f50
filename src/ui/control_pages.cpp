#include "ui/control_pages.h"

ControlPage PageForLastTab(std::string_view caption) {
    for (int page = 0; page < kControlPageCount; ++page) {
        if (caption == kControlPageCaptions[page]) return static_cast<ControlPage>(page);
    }
    return kPageDevice;
}
