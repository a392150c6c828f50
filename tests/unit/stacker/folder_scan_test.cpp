// Discovery and loading: which names qualify, when a library is loaded, how the stack is
// first built, and how everything is unloaded.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "stacker/dsp_library_name.h"
#include "stacker/stack_lock.h"
#include "unit/stacker/scripted_dsp_folder.h"

using namespace scripted;
using ::testing::ElementsAre;

namespace {

struct Scan : ::testing::Test {
    Folder folder;
    Host host;
    CatchingCallGuard guard;
    TDSPPluginModulesStack* published = nullptr;

    std::unique_ptr<TDSPPlugins> Build(OwnLibrary own) {
        return std::make_unique<TDSPPlugins>(host, std::move(own), folder, guard, &published);
    }
};

TEST(DspLibraryName, QualifiesByPrefixAndSuffixOfTheUpperCaseName) {
    for (const char* name : {"DSP_ECHO.DLL", "DSP_.DLL", "DSP_A.B.DLL"}) {
        EXPECT_TRUE(IsDspLibraryName(name)) << name;
    }
    for (const char* name : {"DSPECHO.DLL", "DSP_ECHO.DL", "DSP_ECHO.DLL.BAK", "DSP_", "DSP.DLL",
                             ".DLL", "X_DSP_ECHO.DLL", "", ".", ".."}) {
        EXPECT_FALSE(IsDspLibraryName(name)) << name;
    }
}

TEST_F(Scan, FirstStartPutsMixInFirstHostedModulesInFolderOrderAndBypassLast) {
    folder.Add({"dsp_b.dll", {{"Echo"}, {"Flanger"}}});
    Library& own = folder.AddOwn();
    folder.Add({"DSP_A.DLL", {{"Chorus"}}});

    auto manager = Build(folder.OwnOf(own));

    EXPECT_EQ(folder.lastPattern, kFolder + "*.*");
    EXPECT_EQ(manager->PluginFolder, kFolder);
    EXPECT_EQ(published, manager->Stack());
    EXPECT_THAT(Order(*manager->Stack()),
                ElementsAre("dsp_qxtidewell.dll/Tidewell MixIn*", "dsp_b.dll/Echo",
                            "dsp_b.dll/Flanger", "DSP_A.DLL/Chorus",
                            "dsp_qxtidewell.dll/Tidewell Bypass"));
    ASSERT_EQ(manager->Plugins.size(), 3u);
    EXPECT_EQ(manager->Plugins[0]->FileName, "dsp_b.dll");
    EXPECT_EQ(manager->Plugins[0]->EntryCount(), 2);
    EXPECT_TRUE(manager->MixInEntry->IsMixIn);
    EXPECT_TRUE(manager->BypassEntry->IsBypass);
    EXPECT_TRUE(Trace().empty()) << "no module is initialised on a first start";
}

TEST_F(Scan, HostedModulesGetTheHostWindowAndTheirLibraryHandleOwnRecordsStayAsTheyAre) {
    Library& echo = folder.Add({"dsp_echo.dll", {{"Echo"}}});
    Library& own = folder.AddOwn();
    auto manager = Build(folder.OwnOf(own));

    EXPECT_EQ(echo.modules[0]->record.hwndParent, host.mainWnd);
    EXPECT_EQ(echo.modules[0]->record.hDllInstance, &echo);
    EXPECT_EQ(own.modules[0]->record.hwndParent, nullptr);
    EXPECT_EQ(own.modules[1]->record.hDllInstance, nullptr);
}

TEST_F(Scan, NamesThatDoNotQualifyAreNeverLoaded) {
    folder.Add({"dspecho.dll", {{"A"}}});
    folder.Add({"DSP_ECHO.DL", {{"B"}}});
    folder.Add({"DSP_ECHO.DLL.BAK", {{"C"}}});
    folder.Add({"Dsp_Echo.DLL", {{"D"}}});
    folder.Add({"DSP_.DLL", {{"E"}}});
    auto manager = Build({});

    EXPECT_THAT(folder.events, ElementsAre("Load Dsp_Echo.DLL", "Load DSP_.DLL"));
    EXPECT_THAT(Order(*manager->Stack()), ElementsAre("Dsp_Echo.DLL/D", "DSP_.DLL/E"));
}

TEST_F(Scan, AlwaysLoadCountsAsOffWithoutConfiguration) {
    Library& held = folder.Add({"dsp_held.dll", {{"Held"}}});
    held.references = 1;
    host.alwaysLoad = true;
    host.configExists = false;
    auto manager = Build({});
    EXPECT_TRUE(manager->Plugins.empty());
}

TEST_F(Scan, LibrariesWithoutUsableHeaderKeepARecordAndGiveNoEntries) {
    folder.Add({"dsp_broken.dll", {{"X"}}, /*loads=*/false});
    folder.Add({"dsp_noentry.dll", {{"Y"}}, true, /*hasEntry=*/false});
    folder.Add({"dsp_nullheader.dll", {{"Z"}}, true, true, /*nullHeader=*/true});
    auto manager = Build({});

    ASSERT_EQ(manager->Plugins.size(), 3u);
    for (auto& plugin : manager->Plugins) EXPECT_EQ(plugin->EntryCount(), 0) << plugin->FileName;
    EXPECT_EQ(manager->Plugins[0]->Handle, nullptr);
    EXPECT_EQ(manager->Stack()->Count(), 0);
    EXPECT_EQ(manager->MixInEntry, nullptr);
    manager.reset();
    EXPECT_THAT(folder.events, ElementsAre("Load dsp_broken.dll", "Load dsp_noentry.dll",
                                           "Load dsp_nullheader.dll", "Free dsp_nullheader.dll",
                                           "Free dsp_noentry.dll"));
}

TEST_F(Scan, AFailingGetModuleEndsTheListAtThatIndex) {
    folder.Add({"dsp_c.dll", {{"One"}, {"Two"}, {"Three"}}, true, true, false, /*throwsAt=*/1});
    auto manager = Build({});
    EXPECT_THAT(Order(*manager->Stack()), ElementsAre("dsp_c.dll/One"));
}

TEST_F(Scan, ALibraryWhoseModuleListNeverEndsIsLeftOutAndTheRestLoads) {
    folder.Add({"dsp_endless.dll", {{"Again"}}}).script.endless = true;
    folder.Add({"dsp_b.dll", {{"Echo"}}});
    auto manager = Build({});
    EXPECT_THAT(Order(*manager->Stack()), ElementsAre("dsp_b.dll/Echo"));
    ASSERT_EQ(manager->Plugins.size(), 2u);
    EXPECT_EQ(manager->Plugins[0]->EntryCount(), 0);
    EXPECT_EQ(manager->Plugins[0]->SkipReason, "its module list does not end within 256 modules");
    EXPECT_TRUE(manager->Plugins[1]->SkipReason.empty());
}

// The host may spell its plug-in folder differently from the path the plug-in was loaded
// under; the plug-in's own file is still found, without AlwaysLoad and without a reference.
TEST_F(Scan, OwnLibraryIsKnownByItsHandleWhateverTheSpellingOfItsPath) {
    Library& own = folder.AddOwn();
    host.folder = "c:\\host\\PLUGINS";
    auto manager = Build(folder.OwnOf(own));
    EXPECT_THAT(Order(*manager->Stack()),
                ElementsAre("dsp_qxtidewell.dll/Tidewell MixIn*", "dsp_qxtidewell.dll/Tidewell Bypass"));
    EXPECT_TRUE(manager->Plugins[0]->IsOwnLibrary);
    EXPECT_EQ(own.references, 1);
    manager.reset();
    EXPECT_EQ(own.references, 1) << "the host's reference is never released";
}

TEST_F(Scan, TwoModulesWithOneDescriptionGiveTwoEntries) {
    folder.Add({"dsp_twins.dll", {{"Twin"}, {"Twin"}}});
    auto manager = Build({});
    ASSERT_EQ(manager->Stack()->Count(), 2);
    EXPECT_EQ(manager->Stack()->Get(0)->IndexInPlugin, 0);
    EXPECT_EQ(manager->Stack()->Get(1)->IndexInPlugin, 1);
    EXPECT_EQ(manager->Stack()->Get(0)->Description, manager->Stack()->Get(1)->Description);
}

TEST_F(Scan, NoFolderLoadsNothingAndTheChainLeavesTheBlockAlone) {
    folder.AddOwn();
    host.folder = "";
    auto manager = Build({});
    EXPECT_TRUE(manager->Plugins.empty());
    EXPECT_FALSE(manager->ScanFolder());
    short block[4] = {1, 2, 3, 4};
    EXPECT_EQ(manager->Stack()->RunChain(block, 2, 16, 2, 44100), 2);
    EXPECT_EQ(block[3], 4);
}

TEST_F(Scan, BypassStaysOutWhenTheConfigurationDisablesIt) {
    Library& own = folder.AddOwn();
    auto manager = Build(folder.OwnOf(own));
    EXPECT_EQ(manager->Stack()->Count(), 2);
    manager.reset();

    host.enableBypass = false;
    manager = Build(folder.OwnOf(own));
    EXPECT_THAT(Order(*manager->Stack()), ElementsAre("dsp_qxtidewell.dll/Tidewell MixIn*"));
    EXPECT_NE(manager->BypassEntry, nullptr) << "the entry exists, outside the stack";
    manager.reset();
    EXPECT_EQ(host.lines.front(), "ModuleCount=1");

    host.configExists = false;
    manager = Build(folder.OwnOf(own));
    EXPECT_EQ(manager->Stack()->Count(), 2) << "without configuration bypass joins";
}

TEST_F(Scan, UnloadGoesLibraryByLibraryNewestFirstEntriesInOrder) {
    folder.Add({"dsp_a.dll", {{"A1"}, {"A2"}}});
    folder.Add({"dsp_b.dll", {{"B1"}, {"B2"}}});
    host.lines = {"ModuleCount=4",        "Module0Lib=dsp_a.dll", "Module0Mod=A1",
                  "Module0Act=true",      "Module1Lib=dsp_a.dll", "Module1Mod=A2",
                  "Module1Act=true",      "Module2Lib=dsp_b.dll", "Module2Mod=B1",
                  "Module2Act=true",      "Module3Lib=dsp_b.dll", "Module3Mod=B2",
                  "Module3Act=true"};
    auto manager = Build({});
    Trace().clear();
    manager.reset();
    EXPECT_THAT(Trace(), ElementsAre("B1.Quit", "B2.Quit", "A1.Quit", "A2.Quit"));
    EXPECT_THAT(folder.events, testing::Contains("Free dsp_a.dll"));
    EXPECT_EQ(folder.events.back(), "Free dsp_a.dll");
    EXPECT_EQ(published, nullptr);
}

TEST_F(Scan, AQuitThatFailsDuringDestructionIsSwallowed) {
    folder.Add({"dsp_a.dll", {{"A", Behaviour::Pass, 0, false, /*quitThrows=*/true}, {"B"}}});
    host.lines = {"ModuleCount=2", "Module0Lib=dsp_a.dll", "Module0Mod=A", "Module0Act=true",
                  "Module1Lib=dsp_a.dll", "Module1Mod=B", "Module1Act=true"};
    auto manager = Build({});
    Trace().clear();
    manager.reset();
    EXPECT_THAT(Trace(), ElementsAre("A.Quit", "B.Quit"));
    EXPECT_EQ(folder.events.back(), "Free dsp_a.dll");
}

}  // namespace
