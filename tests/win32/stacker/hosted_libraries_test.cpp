// The stacker against real DSP libraries in a real folder under Wine: which files are
// loaded, the stack they build, the chain over a block with modules that process, shrink
// the count, throw and fault, and the saved order across a rebuild.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "core/exported_globals.h"
#include "stacker/new_dsp_plugins.h"
#include "stacker/published_chain.h"
#include "win32/stacker/plugin_folder.h"

using namespace stacker_test;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

namespace {

constexpr int kFrames = 576;
constexpr int kChannels = 2;
constexpr int kBits = 16;
constexpr int kRate = 44100;

struct Block {
    // Room for twice the host's count, as the host provides.
    std::vector<short> samples = std::vector<short>(2 * kFrames * kChannels);
    void Fill(short value) { std::fill(samples.begin(), samples.end(), value); }
};

std::vector<std::string> LoadedNames(const TDSPPlugins& manager) {
    std::vector<std::string> names;
    for (const auto& plugin : manager.Plugins) names.push_back(plugin->FileName);
    return names;
}

std::vector<std::string> Descriptions(TDSPPluginModulesStack& stack) {
    std::vector<std::string> d;
    for (int i = 0; i < stack.Count(); ++i) d.push_back(stack.Get(i)->Description);
    return d;
}

using HostedLibraries = PluginFolder;

TEST_F(HostedLibraries, OnlyQualifyingNamesAreLoaded) {
    AddFixture("dsp_offset.dll", "dsp_echo.dll");
    AddFixture("dsp_halve.dll", "Dsp_Chorus.DLL");
    AddFixture("dsp_twins.dll", "DSP_.DLL");
    for (const char* name : {"dspecho.dll", "DSP_ECHO.DL", "DSP_ECHO.DLL.BAK"}) {
        AddFixture(std::string("unqualified\\") + name, name);
    }
    ASSERT_TRUE(CreateDirectoryA(Path("DSP_FOLDER").c_str(), nullptr));
    Build();
    RemoveDirectoryA(Path("DSP_FOLDER").c_str());
    EXPECT_THAT(LoadedNames(*manager), UnorderedElementsAre("dsp_echo.dll", "Dsp_Chorus.DLL", "DSP_.DLL"));
}

TEST_F(HostedLibraries, StackHoldsMixInFirstHostedModulesInFolderOrderAndBypassLast) {
    AddOwnLibrary();
    AddFixture("dsp_offset.dll");
    AddFixture("dsp_halve.dll");
    AddFixture("dsp_twins.dll");
    Build();
    EXPECT_EQ(published, manager->Stack());

    std::vector<std::string> expected;
    for (const std::string& name : Listing()) {
        if (name == "dsp_offset.dll") expected.push_back("Add offset");
        if (name == "dsp_halve.dll") expected.push_back("Halve volume");
        if (name == "dsp_twins.dll") expected.insert(expected.end(), {"Twin", "Twin"});
    }
    expected.insert(expected.begin(), "Tidewell MixIn");
    expected.push_back("Tidewell Bypass");
    EXPECT_EQ(Descriptions(Stack()), expected);
    EXPECT_EQ(Entry("Twin", 0).IndexInPlugin, 0);
    EXPECT_EQ(Entry("Twin", 1).IndexInPlugin, 1);
    for (int i = 1; i < Stack().Count(); ++i) EXPECT_FALSE(Stack().Get(i)->Active) << i;

    EXPECT_TRUE(manager->MixInEntry->SetActive(false));
    EXPECT_TRUE(manager->MixInEntry->Active);
    manager.reset();
    EXPECT_EQ(published, nullptr);
}

TEST_F(HostedLibraries, LibrariesWithoutHeaderStayAsRecordsWithoutModules) {
    AddFixture("dsp_noentry.dll");
    AddFixture("dsp_nullheader.dll");
    Build();
    ASSERT_EQ(manager->Plugins.size(), 2u);
    for (auto& plugin : manager->Plugins) {
        EXPECT_NE(plugin->Handle, nullptr);
        EXPECT_EQ(plugin->EntryCount(), 0);
    }
    EXPECT_EQ(Stack().Count(), 0);
}

TEST_F(HostedLibraries, AlwaysLoadOffSkipsALibraryTheProcessHolds) {
    AddOwnLibrary();
    AddFixture("dsp_halve.dll");
    HMODULE held = LoadLibraryA(Path("dsp_halve.dll").c_str());
    ASSERT_NE(held, nullptr);
    Build();
    EXPECT_THAT(LoadedNames(*manager), ElementsAre(kOwnName));
    manager.reset();
    FreeLibrary(held);
}

TEST_F(HostedLibraries, AlwaysLoadOnTakesASecondReferenceAndReleasesItAtUnload) {
    AddFixture("dsp_halve.dll");
    HMODULE held = LoadLibraryA(Path("dsp_halve.dll").c_str());
    host.alwaysLoad = true;
    Build();
    EXPECT_THAT(LoadedNames(*manager), ElementsAre("dsp_halve.dll"));
    EXPECT_EQ(manager->Plugins[0]->Handle, held);
    manager.reset();
    EXPECT_EQ(GetModuleHandleA(Path("dsp_halve.dll").c_str()), held) << "our reference only";
    FreeLibrary(held);
    EXPECT_EQ(GetModuleHandleA(Path("dsp_halve.dll").c_str()), nullptr);
}

TEST_F(HostedLibraries, OwnLibraryTakesNoReferenceAndIsNeverFreed) {
    AddOwnLibrary();
    Build();
    ASSERT_EQ(manager->Plugins.size(), 1u);
    EXPECT_TRUE(manager->Plugins[0]->IsOwnLibrary);
    manager.reset();
    FreeLibrary(own_);
    own_ = nullptr;
    EXPECT_EQ(GetModuleHandleA(Path(kOwnName).c_str()), nullptr)
        << "the host's one reference was the only one";
}

// The host may spell its plug-in folder differently from the path the plug-in was loaded
// under: the own file is still recognised (by its module handle), without AlwaysLoad, and
// no reference is taken on it.
TEST_F(HostedLibraries, OwnLibraryFoundUnderAnotherSpellingJoinsTheStack) {
    AddOwnLibrary();
    std::string otherSpelling = host.folder;
    CharUpperBuffA(otherSpelling.data(), static_cast<DWORD>(otherSpelling.size()));
    ASSERT_NE(otherSpelling, host.folder);
    host.folder = otherSpelling;
    Build();
    ASSERT_EQ(manager->Plugins.size(), 1u);
    EXPECT_TRUE(manager->Plugins[0]->IsOwnLibrary);
    ASSERT_NE(manager->MixInEntry, nullptr) << "without it nothing is ever mixed";
    EXPECT_EQ(Stack().Get(0), manager->MixInEntry);
    manager.reset();
    FreeLibrary(own_);
    own_ = nullptr;
    EXPECT_EQ(GetModuleHandleA(Path(kOwnName).c_str()), nullptr) << "the host's one reference was the only one";
}

// Foreign libraries that would exhaust memory or crash the player at load: left out with
// the reason, while the rest of the folder loads and the chain runs.
TEST_F(HostedLibraries, UnusableLibrariesAreLeftOutAndTheStackKeepsWorking) {
    AddOwnLibrary();
    AddFixture("dsp_endless.dll");
    AddFixture("dsp_baddesc.dll");
    AddFixture("dsp_halve.dll");
    Build();
    std::map<std::string, std::string> reasons;
    for (const auto& plugin : manager->Plugins) reasons[plugin->FileName] = plugin->SkipReason;
    EXPECT_EQ(reasons["dsp_endless.dll"], "its module list does not end within 256 modules");
    EXPECT_EQ(reasons["dsp_baddesc.dll"], "the record of module 2 cannot be read");
    EXPECT_EQ(reasons["dsp_halve.dll"], "");
    EXPECT_EQ(Descriptions(Stack()), (std::vector<std::string>{"Tidewell MixIn", "Halve volume", "Tidewell Bypass"}));

    Entry("Halve volume").SetActive(true);
    std::vector<short> samples(2 * kFrames * kChannels, 800);
    EXPECT_EQ(Stack().RunChain(samples.data(), kFrames, kBits, kChannels, kRate), kFrames);
    EXPECT_EQ(samples[0], (800 + kMixOffset) / 2);
}

struct ChainOverFixtures : PluginFolder {
    Block block;
    int Run() { return Stack().RunChain(block.samples.data(), kFrames, kBits, kChannels, kRate); }
};

TEST_F(ChainOverFixtures, GainBeforeOrAfterTheMixInGivesThePredictedOutput) {
    AddOwnLibrary();
    AddFixture("dsp_halve.dll");
    Build();
    ASSERT_TRUE(Entry("Halve volume").SetActive(true));
    EXPECT_EQ(Counter(Entry("Halve volume"), "FixtureInitCalls"), 1);

    block.Fill(600);
    EXPECT_EQ(Run(), kFrames);
    EXPECT_EQ(block.samples[0], (600 + kMixOffset) / 2);
    EXPECT_EQ(block.samples[kFrames * kChannels - 1], (600 + kMixOffset) / 2);

    Stack().Exchange(0, 1);
    block.Fill(600);
    EXPECT_EQ(Run(), kFrames);
    EXPECT_EQ(block.samples[0], 600 / 2 + kMixOffset);
}

TEST_F(ChainOverFixtures, TheNextModuleGetsTheCountThePreviousReturned) {
    AddOwnLibrary();
    AddFixture("dsp_halfcount.dll");
    AddFixture("dsp_offset.dll");
    Build();
    Stack().Move(Stack().IndexOf(&Entry("Half count")), 1);
    Entry("Half count").SetActive(true);
    Entry("Add offset").SetActive(true);
    block.Fill(0);
    EXPECT_EQ(Run(), kFrames / 2);
    EXPECT_EQ(Counter(Entry("Add offset"), "FixtureLastCount"), kFrames / 2);
    EXPECT_EQ(block.samples[kFrames / 2 * kChannels - 1], kMixOffset + kFixtureOffset);
    EXPECT_EQ(block.samples[kFrames / 2 * kChannels], kMixOffset);
}

// A module that throws (another compiler's C++ exception) or faults ends the chain for the
// block; the process goes on and the next block runs every module again.
struct FailingModule : ChainOverFixtures, ::testing::WithParamInterface<const char*> {};

TEST_P(FailingModule, EndsTheBlockAndTheNextBlockRunsTheWholeChain) {
    const std::string failing = GetParam();
    AddOwnLibrary();
    AddFixture(failing == "Throw in ModifySamples" ? "dsp_throw.dll" : "dsp_fault.dll");
    AddFixture("dsp_offset.dll");
    Build();
    // MixIn, failing module, offset.
    Stack().Move(Stack().IndexOf(&Entry(failing)), 1);
    Stack().Move(Stack().IndexOf(&Entry("Add offset")), 2);
    Entry(failing).SetActive(true);
    Entry("Add offset").SetActive(true);

    for (int blockNo = 1; blockNo <= 3; ++blockNo) {
        block.Fill(0);
        EXPECT_EQ(Run(), kFrames);
        EXPECT_EQ(block.samples[0], kMixOffset) << "offset did not run";
        EXPECT_EQ(mixCalls, blockNo);
        EXPECT_EQ(Counter(Entry(failing), "FixtureModifyCalls"), blockNo);
    }
    EXPECT_EQ(Counter(Entry("Add offset"), "FixtureModifyCalls"), 0);
    EXPECT_TRUE(Entry(failing).Active);

    // With the failing module switched off the chain runs through again.
    EXPECT_FALSE(Entry(failing).SetActive(false));
    block.Fill(0);
    Run();
    EXPECT_EQ(block.samples[0], kMixOffset + kFixtureOffset);
}

INSTANTIATE_TEST_SUITE_P(ChainOverFixtures, FailingModule,
                         ::testing::Values("Throw in ModifySamples", "Fault in ModifySamples"));

TEST_F(ChainOverFixtures, AnInitThatFaultsLeavesTheEntryInactive) {
    AddOwnLibrary();
    AddFixture("dsp_fault.dll");
    Build();
    EXPECT_FALSE(Entry("Fault in Init").SetActive(true));
    EXPECT_FALSE(Entry("Fault in Init").Active);
    EXPECT_EQ(Counter(Entry("Fault in Init"), "FixtureInitCalls"), 1);
    block.Fill(0);
    Run();
    EXPECT_EQ(Counter(Entry("Fault in Init"), "FixtureModifyCalls"), 0);
}

TEST_F(ChainOverFixtures, ACountTheHostsBufferCannotHoldEndsTheChain) {
    AddOwnLibrary();
    AddFixture("dsp_badcount.dll");
    AddFixture("dsp_offset.dll");
    Build();
    Stack().Move(Stack().IndexOf(&Entry("Add offset")), Stack().Count() - 1);
    Entry("Add offset").SetActive(true);
    for (const char* bad : {"Negative count", "Too many frames"}) {
        Entry(bad).SetActive(true);
        block.Fill(0);
        EXPECT_EQ(Run(), kFrames) << bad;
        EXPECT_EQ(block.samples[0], kMixOffset) << bad;
        Entry(bad).SetActive(false);
    }
    EXPECT_EQ(Counter(Entry("Add offset"), "FixtureModifyCalls"), 0);
}

TEST_F(ChainOverFixtures, DestroyingTheManagerQuitsActiveModules) {
    AddOwnLibrary();
    AddFixture("dsp_twins.dll");
    Build();
    Entry("Twin", 1).SetActive(true);
    HMODULE twins = GetModuleHandleA(Path("dsp_twins.dll").c_str());
    int* quits = reinterpret_cast<int*>(GetProcAddress(twins, "FixtureQuitCalls"));
    // Keep the library mapped past the manager to read its counter.
    LoadLibraryA(Path("dsp_twins.dll").c_str());
    manager.reset();
    EXPECT_EQ(*quits, 1);
    FreeLibrary(twins);
}

TEST_F(ChainOverFixtures, ASavedReorderComesBackAfterARebuild) {
    AddOwnLibrary();
    AddFixture("dsp_halve.dll");
    AddFixture("dsp_offset.dll");
    AddFixture("dsp_twins.dll");
    Build();
    // Bypass second, MixIn fourth, the second twin first and active, halve active.
    Stack().Move(Stack().IndexOf(manager->BypassEntry), 1);
    Stack().Move(0, 3);
    Stack().Move(Stack().IndexOf(&Entry("Twin", 1)), 0);
    Entry("Twin", 0).SetActive(true);
    Entry("Halve volume").SetActive(true);
    std::vector<std::pair<std::string, bool>> before;
    for (int i = 0; i < Stack().Count(); ++i) {
        before.emplace_back(Stack().Get(i)->Description, Stack().Get(i)->Active);
    }
    manager.reset();
    EXPECT_EQ(host.lines.front(), "ModuleCount=6");

    Build();
    std::vector<std::pair<std::string, bool>> after;
    for (int i = 0; i < Stack().Count(); ++i) {
        after.emplace_back(Stack().Get(i)->Description, Stack().Get(i)->Active);
    }
    EXPECT_EQ(after, before);
}

TEST_F(ChainOverFixtures, ThePluginsManagerRunsThroughThePublishedStack) {
    AddOwnLibrary();
    AddFixture("dsp_halve.dll");
    TDSPPlugins* plugins = NewDSPPlugins(host, ownLibrary);
    ASSERT_NE(DSPPluginModulesStack, nullptr);
    EXPECT_EQ(DSPPluginModulesStack, plugins->Stack());
    block.Fill(10);
    int result = 0;
    EXPECT_TRUE(RunPublishedChain(DSPPluginModulesStack, block.samples.data(), kFrames, kBits,
                                  kChannels, kRate, result));
    EXPECT_EQ(result, kFrames);
    EXPECT_EQ(block.samples[0], 10 + kMixOffset);
    delete plugins;
    EXPECT_EQ(DSPPluginModulesStack, nullptr);
    EXPECT_FALSE(RunPublishedChain(DSPPluginModulesStack, block.samples.data(), kFrames, kBits,
                                   kChannels, kRate, result));
}

}  // namespace
