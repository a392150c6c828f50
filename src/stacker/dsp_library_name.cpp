#include "stacker/dsp_library_name.h"

bool IsDspLibraryName(std::string_view upperName) {
    return upperName.size() > kDspLibraryPrefix.size() && upperName.starts_with(kDspLibraryPrefix) &&
           upperName.ends_with(kDspLibrarySuffix);
}
