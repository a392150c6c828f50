// The chain over one block, activation and configuration of entries, and the stack's
// list operations as the DSP page and the bypass switch use them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

#include "unit/stacker/scripted_dsp_folder.h"

using namespace scripted;
using ::testing::ElementsAre;

namespace {

constexpr int kFrames = 4;
constexpr int kChannels = 2;
constexpr int kBits = 16;
constexpr int kRate = 44100;

struct Chain : ::testing::Test {
    Folder folder;
    Host host;
    CatchingCallGuard guard;
    std::unique_ptr<TDSPPlugins> manager;
    // Room for twice the host's count, as the host provides.
    short block[2 * kFrames * kChannels] = {};

    // Folder: own library, then one library per module script, named dsp_<description>.dll.
    void Build(std::vector<ModuleScript> modules) {
        Library& own = folder.AddOwn();
        for (auto& m : modules) folder.Add({"dsp_" + m.description + ".dll", {m}});
        manager = std::make_unique<TDSPPlugins>(host, folder.OwnOf(own), folder, guard);
        Trace().clear();
    }
    TDSPPluginModulesStack& Stack() { return *manager->Stack(); }
    TDSPPluginModule& Entry(const std::string& description) {
        for (int i = 0; i < Stack().Count(); ++i) {
            if (Stack().Get(i)->Description == description) return *Stack().Get(i);
        }
        throw std::runtime_error("no entry " + description);
    }
    void Fill(short value) {
        for (short& s : block) s = value;
    }
    int Run() { return Stack().RunChain(block, kFrames, kBits, kChannels, kRate); }
};

TEST_F(Chain, MixInAloneRunsTheMixingAndReturnsItsCount) {
    host.enableBypass = false;
    Build({});
    Fill(10);
    EXPECT_EQ(Run(), kFrames);
    EXPECT_EQ(block[0], 10 + kMixOffset);
    EXPECT_THAT(Trace(), ElementsAre("Mix"));
}

TEST_F(Chain, InactiveEntriesAreSkipped) {
    Build({{"Halve", Behaviour::Halve}});
    Fill(10);
    Run();
    EXPECT_THAT(Trace(), ElementsAre("Mix"));
}

TEST_F(Chain, AFailingModuleEndsTheBlockAndTheNextBlockRunsTheWholeChain) {
    Build({{"Half", Behaviour::HalfCount}, {"Throw", Behaviour::Throw}, {"Offset", Behaviour::AddOffset, 7}});
    for (auto* name : {"Half", "Throw", "Offset"}) Entry(name).SetActive(true);
    Trace().clear();
    Fill(0);
    EXPECT_EQ(Run(), kFrames / 2);
    EXPECT_EQ(Run(), kFrames / 2);
    EXPECT_THAT(Trace(), ElementsAre("Mix", "Half.Modify", "Throw.Modify", "Mix", "Half.Modify",
                                     "Throw.Modify"));
    EXPECT_EQ(block[0], 2 * kMixOffset) << "the modules after the failure did not run";
    EXPECT_TRUE(Entry("Throw").Active) << "a failing block does not deactivate the module";
}

// A module's count is trusted no further than the host's buffer reaches: anything below 0
// or above twice the host's count ends the chain like a failure.
struct BadCount : Chain, ::testing::WithParamInterface<int> {};

TEST_P(BadCount, EndsTheChainAndReturnsTheLastValidCount) {
    Build({{"Bad", Behaviour::ReturnCount, GetParam()}, {"Offset", Behaviour::AddOffset, 7}});
    Entry("Bad").SetActive(true);
    Entry("Offset").SetActive(true);
    Fill(0);
    EXPECT_EQ(Run(), kFrames);
    EXPECT_EQ(block[0], kMixOffset) << "the module after it did not run";
}

INSTANTIATE_TEST_SUITE_P(Chain, BadCount,
                         ::testing::Values(-1, 2 * kFrames + 1, std::numeric_limits<int>::min(),
                                           std::numeric_limits<int>::max()));

TEST_F(Chain, CountsUpToTwiceTheHostsCountPass) {
    Build({{"Full", Behaviour::ReturnCount, 2 * kFrames}, {"Empty", Behaviour::ReturnCount, 0}});
    Entry("Full").SetActive(true);
    EXPECT_EQ(Run(), 2 * kFrames);
    Entry("Empty").SetActive(true);
    EXPECT_EQ(Run(), 0);
}

TEST_F(Chain, NoActiveEntryLeavesTheBlockAndTheCount) {
    host.enableBypass = false;
    Build({{"Halve", Behaviour::Halve}});
    Stack().Remove(manager->MixInEntry);
    Fill(5);
    EXPECT_EQ(Stack().RunChain(block, 3, kBits, kChannels, kRate), 3);
    EXPECT_EQ(block[0], 5);
}

TEST_F(Chain, MixInCannotBeDeactivated) {
    Build({});
    EXPECT_TRUE(manager->MixInEntry->SetActive(false));
    EXPECT_TRUE(manager->MixInEntry->Active);
    EXPECT_TRUE(Trace().empty());
}

TEST_F(Chain, ActivatingAnActiveEntryCallsNothing) {
    Build({{"Halve", Behaviour::Halve}});
    EXPECT_TRUE(Entry("Halve").SetActive(true));
    EXPECT_TRUE(Entry("Halve").SetActive(true));
    EXPECT_FALSE(Entry("Halve").SetActive(false));
    EXPECT_FALSE(Entry("Halve").SetActive(false));
    EXPECT_THAT(Trace(), ElementsAre("Halve.Init", "Halve.Quit"));
}

TEST_F(Chain, AFailingInitOrQuitLeavesTheStateAsItWas) {
    Build({{"BadInit", Behaviour::Pass, 0, /*initThrows=*/true},
           {"BadQuit", Behaviour::Pass, 0, false, /*quitThrows=*/true}});
    EXPECT_FALSE(Entry("BadInit").SetActive(true));
    EXPECT_TRUE(Entry("BadQuit").SetActive(true));
    EXPECT_TRUE(Entry("BadQuit").SetActive(false));
}

TEST_F(Chain, TicksArrivingWhileTheModulesInitRunsChangeNothing) {
    TDSPPluginModule* entry = nullptr;
    std::vector<bool> nested;
    bool pumped = false;
    ModuleScript pumping{"Pumping"};
    pumping.duringInit = [&] {
        if (pumped) return;
        pumped = true;
        nested.push_back(entry->SetActive(true));
        nested.push_back(entry->SetActive(false));
    };
    Build({pumping});
    entry = &Entry("Pumping");
    EXPECT_TRUE(entry->SetActive(true));
    EXPECT_THAT(nested, ElementsAre(false, false));
    EXPECT_THAT(Trace(), ElementsAre("Pumping.Init"));
}

TEST_F(Chain, ConfigureCallsTheModuleOnlyWhenActive) {
    Build({{"Halve", Behaviour::Halve}});
    Entry("Halve").Configure();
    Entry("Halve").SetActive(true);
    Entry("Halve").Configure();
    EXPECT_THAT(Trace(), ElementsAre("Halve.Init", "Halve.Config"));
}

TEST_F(Chain, DisablingBypassQuitsItAndEnablingAppendsItInactive) {
    Build({{"Halve", Behaviour::Halve}});
    TDSPPluginModule* bypass = manager->BypassEntry;
    bypass->SetActive(true);
    Stack().Remove(bypass);
    EXPECT_EQ(Stack().IndexOf(bypass), -1);
    EXPECT_FALSE(bypass->Active);
    Stack().Append(bypass);
    Stack().Append(bypass);
    EXPECT_EQ(Stack().IndexOf(bypass), Stack().Count() - 1);
    EXPECT_EQ(Stack().Count(), 3);
    EXPECT_FALSE(bypass->Active);
    EXPECT_THAT(Trace(), ElementsAre("Tidewell Bypass.Init", "Tidewell Bypass.Quit"));
}

TEST_F(Chain, OutOfRangeIndexesChangeNothing) {
    Build({{"Halve", Behaviour::Halve}});
    const auto before = Order(Stack());
    EXPECT_EQ(Stack().Get(-1), nullptr);
    EXPECT_EQ(Stack().Get(Stack().Count()), nullptr);
    Stack().Move(0, Stack().Count());
    Stack().Move(-1, 0);
    Stack().Exchange(0, Stack().Count());
    EXPECT_EQ(Order(Stack()), before);
}

}  // namespace
