#include "capture/input_devices.h"

#include <cstring>

namespace {

// szPname may fill its whole array without a terminator.
std::string ProductName(const WAVEINCAPSA& caps) {
    return std::string(caps.szPname, strnlen(caps.szPname, sizeof caps.szPname));
}

}  // namespace

std::vector<NamedDevice> ListInputDevices(WaveInApi& waveIn) {
    std::vector<DeviceProduct> products;
    const int count = static_cast<int>(waveIn.GetNumDevs());
    for (int number = kWaveMapperDevice; number < count; ++number) {
        WAVEINCAPSA caps{};
        if (waveIn.GetDevCaps(static_cast<UINT_PTR>(static_cast<UINT>(number)), &caps, sizeof caps) !=
            MMSYSERR_NOERROR) {
            continue;
        }
        products.push_back({number, ProductName(caps)});
    }
    return NameDevices(products);
}
