// The saved stack: how saved lines reorder and activate entries, the default placement
// of the plug-in's own entries, and the lines a save writes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

#include "unit/stacker/scripted_dsp_folder.h"

using namespace scripted;
using ::testing::ElementsAre;

namespace {

struct Order_ : ::testing::Test {
    Folder folder;
    Host host;
    CatchingCallGuard guard;
    Library* own = nullptr;

    void SetUp() override {
        folder.Add({"dsp_a.dll", {{"Chorus"}}});
        folder.Add({"dsp_b.dll", {{"Echo"}, {"Reverb"}}});
        own = &folder.AddOwn();
    }
    std::unique_ptr<TDSPPlugins> Build() {
        return std::make_unique<TDSPPlugins>(host, folder.OwnOf(*own), folder, guard);
    }
    static std::vector<std::string> Record(int k, const std::string& lib, const std::string& mod,
                                           const std::string& act) {
        const std::string m = "Module" + std::to_string(k);
        return {m + "Lib=" + lib, m + "Mod=" + mod, m + "Act=" + act};
    }
    void Save(int count, std::vector<std::vector<std::string>> records) {
        host.lines = {"ModuleCount=" + std::to_string(count)};
        for (auto& r : records) host.lines.insert(host.lines.end(), r.begin(), r.end());
    }
};

TEST_F(Order_, SavedRecordsFillPositionsFromTheFrontAndMissingLibrariesLeaveNoGap) {
    Save(4, {Record(0, "dsp_qxtidewell.dll", "Tidewell MixIn", "true"),
             Record(1, "dsp_b.dll", "Echo", "true"), Record(2, "dsp_gone.dll", "Flanger", "true"),
             Record(3, "dsp_a.dll", "Chorus", "false")});
    auto manager = Build();
    EXPECT_THAT(Order(*manager->Stack()),
                ElementsAre("dsp_qxtidewell.dll/Tidewell MixIn*", "dsp_b.dll/Echo*",
                            "dsp_a.dll/Chorus", "dsp_b.dll/Reverb",
                            "dsp_qxtidewell.dll/Tidewell Bypass"));
    EXPECT_THAT(Trace(), ElementsAre("Echo.Init"));
}

TEST_F(Order_, OnlyTheExactTextFalseKeepsAModuleInactive) {
    Save(3, {Record(0, "dsp_a.dll", "Chorus", "False"), Record(1, "dsp_b.dll", "Echo", "0"),
             Record(2, "dsp_b.dll", "Reverb", "false")});
    auto manager = Build();
    EXPECT_THAT(Order(*manager->Stack()),
                ElementsAre("dsp_qxtidewell.dll/Tidewell MixIn*", "dsp_a.dll/Chorus*",
                            "dsp_b.dll/Echo*", "dsp_b.dll/Reverb",
                            "dsp_qxtidewell.dll/Tidewell Bypass"));
}

TEST_F(Order_, LibraryAndDescriptionMatchExactlyWithCase) {
    Save(2, {Record(0, "DSP_B.DLL", "Echo", "true"), Record(1, "dsp_b.dll", "echo", "true")});
    auto manager = Build();
    EXPECT_TRUE(Trace().empty());
}

TEST_F(Order_, KeysAtOrAboveModuleCountAreIgnored) {
    // A save of three entries over an earlier one of five leaves keys 3 and 4 behind.
    Save(3, {Record(0, "dsp_b.dll", "Reverb", "true"), Record(1, "dsp_a.dll", "Chorus", "true"),
             Record(2, "dsp_qxtidewell.dll", "Tidewell MixIn", "true"),
             Record(3, "dsp_b.dll", "Echo", "true"),
             Record(4, "dsp_qxtidewell.dll", "Tidewell Bypass", "true")});
    auto manager = Build();
    EXPECT_THAT(Order(*manager->Stack()),
                ElementsAre("dsp_b.dll/Reverb*", "dsp_a.dll/Chorus*",
                            "dsp_qxtidewell.dll/Tidewell MixIn*", "dsp_b.dll/Echo",
                            "dsp_qxtidewell.dll/Tidewell Bypass"));
}

TEST_F(Order_, IncompleteRecordsAreSkippedWithoutGaps) {
    Save(3, {{"Module0Lib=dsp_a.dll", "Module0Act=true"}, Record(1, "dsp_b.dll", "Reverb", "true"),
             {"Module2Mod=Echo", "Module2Act=true", "Module2Lib=dsp_b.dll"}});
    auto manager = Build();
    EXPECT_THAT(Order(*manager->Stack()),
                ElementsAre("dsp_qxtidewell.dll/Tidewell MixIn*", "dsp_b.dll/Reverb*",
                            "dsp_b.dll/Echo*", "dsp_a.dll/Chorus",
                            "dsp_qxtidewell.dll/Tidewell Bypass"));
}

TEST_F(Order_, ARepeatedKeyOverwritesUntilTheRecordIsComplete) {
    host.lines = {"Module0Lib=dsp_a.dll", "Module0Lib=dsp_b.dll", "Module0Mod=Echo",
                  "Module0Act=true",      "Module0Lib=dsp_a.dll", "ModuleCount=1"};
    auto manager = Build();
    EXPECT_EQ(manager->Stack()->Get(1)->Description, "Echo");
    EXPECT_TRUE(manager->Stack()->Get(1)->Active);
}

TEST_F(Order_, ModuleCountThatIsNotADecimalIntegerIgnoresTheSection) {
    for (const char* count : {"three", "3x", "", " 3", "0x3"}) {
        Save(0, {Record(0, "dsp_b.dll", "Echo", "true")});
        host.lines[0] = std::string("ModuleCount=") + count;
        auto manager = Build();
        EXPECT_EQ(manager->Stack()->Get(1)->Description, "Chorus") << count;
        EXPECT_FALSE(manager->Stack()->Get(1)->Active) << count;
    }
}

TEST_F(Order_, TheFirstModuleCountLineCounts) {
    Save(1, {Record(0, "dsp_b.dll", "Echo", "true"), Record(1, "dsp_a.dll", "Chorus", "true")});
    host.lines.push_back("ModuleCount=2");
    auto manager = Build();
    EXPECT_EQ(manager->Stack()->Get(1)->Description, "Echo");
    EXPECT_TRUE(manager->Stack()->Get(1)->Active);
    EXPECT_EQ(manager->Stack()->Get(2)->Description, "Chorus");
    EXPECT_FALSE(manager->Stack()->Get(2)->Active);
}

// The count comes from the file: a huge one must cost no more than the lines that exist.
TEST_F(Order_, AHugeModuleCountIsBoundedByTheLinesThatExist) {
    Save(2000000000, {Record(0, "dsp_b.dll", "Echo", "true"), Record(1999999999, "dsp_a.dll", "Chorus", "true")});
    const auto start = std::chrono::steady_clock::now();
    auto manager = Build();
    // Reading up to the count would take minutes; a loaded machine may take a while anyway.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_THAT(Order(*manager->Stack()),
                ElementsAre("dsp_qxtidewell.dll/Tidewell MixIn*", "dsp_b.dll/Echo*", "dsp_a.dll/Chorus*",
                            "dsp_b.dll/Reverb", "dsp_qxtidewell.dll/Tidewell Bypass"));
}

// An entry already standing at its saved place counts as placed, so the default placement
// does not move a saved Bypass out of the middle or a saved MixIn off its place.
TEST_F(Order_, AnEntryAlreadyAtItsSavedPlaceKeepsIt) {
    folder.listing = {"dsp_qxtidewell.dll", "dsp_a.dll", "dsp_b.dll"};
    Save(5, {Record(0, "dsp_a.dll", "Chorus", "true"),
             Record(1, "dsp_qxtidewell.dll", "Tidewell MixIn", "true"),
             Record(2, "dsp_qxtidewell.dll", "Tidewell Bypass", "false"),
             Record(3, "dsp_b.dll", "Echo", "true"), Record(4, "dsp_b.dll", "Reverb", "false")});
    // Discovery order: MixIn, Bypass, Chorus, Echo, Reverb. Bypass ends at position 2
    // before its own record is read, so it is found where it was saved.
    auto manager = Build();
    EXPECT_THAT(Order(*manager->Stack()),
                ElementsAre("dsp_a.dll/Chorus*", "dsp_qxtidewell.dll/Tidewell MixIn*",
                            "dsp_qxtidewell.dll/Tidewell Bypass", "dsp_b.dll/Echo*",
                            "dsp_b.dll/Reverb"));
}

TEST_F(Order_, SaveWritesTheCountThenLibModAndActPerPosition) {
    auto manager = Build();
    TDSPPluginModulesStack& stack = *manager->Stack();
    stack.Get(2)->SetActive(true);
    stack.Exchange(1, 2);
    std::vector<std::string> lines = {"stale=1"};
    stack.SaveOrder(lines);
    EXPECT_THAT(lines, ElementsAre("ModuleCount=5", "Module0Lib=dsp_qxtidewell.dll",
                                   "Module0Mod=Tidewell MixIn", "Module0Act=true",
                                   "Module1Lib=dsp_b.dll", "Module1Mod=Echo", "Module1Act=true",
                                   "Module2Lib=dsp_a.dll", "Module2Mod=Chorus", "Module2Act=false",
                                   "Module3Lib=dsp_b.dll", "Module3Mod=Reverb", "Module3Act=false",
                                   "Module4Lib=dsp_qxtidewell.dll", "Module4Mod=Tidewell Bypass",
                                   "Module4Act=false"));
}

TEST_F(Order_, AReorderedStackComesBackAsSaved) {
    auto manager = Build();
    TDSPPluginModulesStack& stack = *manager->Stack();
    stack.Move(4, 1);  // Bypass second
    stack.Move(0, 3);  // MixIn fourth
    stack.Get(0)->SetActive(true);
    stack.Get(4)->SetActive(true);
    const auto before = Order(stack);
    manager.reset();
    EXPECT_EQ(host.saves, 1);

    manager = Build();
    EXPECT_EQ(Order(*manager->Stack()), before);
}

TEST_F(Order_, TwinModulesKeepTheirOwnSavedPlacesAndActivity) {
    folder.Add({"dsp_twins.dll", {{"Twin"}, {"Twin"}}});
    auto manager = Build();
    TDSPPluginModulesStack& stack = *manager->Stack();
    // MixIn, Chorus, Echo, Reverb, Twin#0, Twin#1, Bypass: move Twin#1 to the front, active.
    stack.Move(5, 0);
    stack.Get(0)->SetActive(true);
    const auto before = Order(stack);
    manager.reset();

    manager = Build();
    EXPECT_EQ(Order(*manager->Stack()), before);
}

TEST_F(Order_, NoConfigurationMeansNoSave) {
    host.configExists = false;
    auto manager = Build();
    manager.reset();
    EXPECT_EQ(host.saves, 0);
}

}  // namespace
