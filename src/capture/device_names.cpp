#include "capture/device_names.h"

#include <algorithm>

namespace {

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool Taken(const std::vector<NamedDevice>& devices, std::string_view name) {
    return std::any_of(devices.begin(), devices.end(),
                       [&](const NamedDevice& d) { return SameDeviceName(d.Name, name); });
}

}  // namespace

bool SameDeviceName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return FoldCase(x) == FoldCase(y); });
}

std::vector<NamedDevice> NameDevices(const std::vector<DeviceProduct>& products) {
    std::vector<NamedDevice> devices;
    devices.reserve(products.size());
    for (const DeviceProduct& product : products) {
        std::string name = product.ProductName;
        for (int n = 2; Taken(devices, name); ++n) name = product.ProductName + "(" + std::to_string(n) + ")";
        devices.push_back({product.Number, std::move(name)});
    }
    return devices;
}

std::optional<int> FindDeviceNumber(const std::vector<NamedDevice>& devices, std::string_view wanted) {
    if (wanted.empty()) return std::nullopt;
    for (const NamedDevice& device : devices) {
        if (device.Name == wanted) return device.Number;
    }
    return std::nullopt;
}
