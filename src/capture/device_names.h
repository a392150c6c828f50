// The device-name rule: how wave-in devices are named in the device list, so that a name
// stored in the configuration finds the same device again.
//
// The list is the wave mapper first (device number -1), then devices 0 to n-1, each named by
// its product name. A name already in the list, compared without regard to letter case, gets
// "(2)", "(3)", ... appended (no blank) until it is unique in the same sense. The capture
// thread looks a wanted name up in this list; the control window fills its device list from
// it. Pure logic: the caller reads the product names from the platform.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int kWaveMapperDevice = -1;

// A device whose capabilities could be read: its number and product name.
struct DeviceProduct {
    int Number = 0;
    std::string ProductName;
};

// A device as the list shows it.
struct NamedDevice {
    int Number = 0;
    std::string Name;
};

// Names the devices in the order given (the caller lists the wave mapper first and leaves out
// devices whose capabilities failed).
std::vector<NamedDevice> NameDevices(const std::vector<DeviceProduct>& products);

// The number of the first device whose name equals `wanted` exactly (case-sensitive); none
// for the empty name, which stands for no device at all.
std::optional<int> FindDeviceNumber(const std::vector<NamedDevice>& devices, std::string_view wanted);

// True when the two names are equal without regard to (ASCII) letter case.
bool SameDeviceName(std::string_view a, std::string_view b);
