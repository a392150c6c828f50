#include "capture/device_names.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Names(const std::vector<NamedDevice>& devices) {
    std::vector<std::string> names;
    for (const NamedDevice& d : devices) names.push_back(d.Name);
    return names;
}

TEST(DeviceNames, RepeatedProductNamesGetNumberSuffixesWithoutABlank) {
    const auto devices = NameDevices({{-1, "Mapper"}, {0, "P"}, {1, "P"}, {2, "P"}});
    EXPECT_EQ(Names(devices), (std::vector<std::string>{"Mapper", "P", "P(2)", "P(3)"}));
    EXPECT_EQ(devices[0].Number, kWaveMapperDevice);
    EXPECT_EQ(devices[3].Number, 2);
}

TEST(DeviceNames, DuplicatesAreFoundWithoutRegardToLetterCase) {
    EXPECT_EQ(Names(NameDevices({{0, "Line In"}, {1, "LINE IN"}, {2, "line in"}})),
              (std::vector<std::string>{"Line In", "LINE IN(2)", "line in(3)"}));
}

TEST(DeviceNames, ASuffixedNameThatIsTakenAlreadyCountsOn) {
    // A device really named "P(2)" comes first: the second "P" must not become another "P(2)".
    EXPECT_EQ(Names(NameDevices({{0, "P(2)"}, {1, "P"}, {2, "p"}})),
              (std::vector<std::string>{"P(2)", "P", "p(3)"}));
}

TEST(DeviceNames, LookupIsExactAndStopsAtTheFirstMatch) {
    const auto devices = NameDevices({{-1, "Mapper"}, {0, "Mic"}, {1, "Mic"}});
    EXPECT_EQ(FindDeviceNumber(devices, "Mic(2)"), 1);
    EXPECT_EQ(FindDeviceNumber(devices, "Mic"), 0);
    EXPECT_EQ(FindDeviceNumber(devices, "mic"), std::nullopt) << "case-sensitive";
    EXPECT_EQ(FindDeviceNumber(devices, "Mic(3)"), std::nullopt);
    EXPECT_EQ(FindDeviceNumber(devices, "Mapper"), kWaveMapperDevice);
}

TEST(DeviceNames, EmptyNameStandsForNoDevice) {
    const auto devices = NameDevices({{0, ""}});
    EXPECT_EQ(FindDeviceNumber(devices, ""), std::nullopt);
    EXPECT_TRUE(NameDevices({}).empty());
}

}  // namespace
