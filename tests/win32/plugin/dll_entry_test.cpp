// The plug-in DLL loaded the way a host loads it: LoadLibraryA, GetProcAddress, the header,
// getModule, and the module callbacks with their record checks.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/dsp_records.h"
#include "plugin/host_integrity.h"
#include "win32/support/test_paths.h"

namespace {

class PluginDll : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        library = LoadLibraryA(PluginDllPath().c_str());
        ASSERT_NE(library, nullptr) << "cannot load " << PluginDllPath() << ", error " << GetLastError();
        getHeader = reinterpret_cast<DspGetHeaderProc>(
            reinterpret_cast<void*>(GetProcAddress(library, "winampDSPGetHeader2")));
        ASSERT_NE(getHeader, nullptr);
    }
    static void TearDownTestSuite() {
        if (library) FreeLibrary(library);
        library = nullptr;
    }

    template <class T>
    static T* Global(const char* name) {
        return reinterpret_cast<T*>(GetProcAddress(library, name));
    }

    static HMODULE library;
    static DspGetHeaderProc getHeader;
};

HMODULE PluginDll::library = nullptr;
DspGetHeaderProc PluginDll::getHeader = nullptr;

TEST_F(PluginDll, HeaderCarriesVersionAndIntegrityCheck) {
    winampDSPHeader* header = getHeader(nullptr);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->version, 0x20);
    ASSERT_NE(header->sf, nullptr);
    for (int key : {0, 1, 42, -7, 0x7FFFFFFF, 123456789}) {
        EXPECT_EQ(header->sf(key), HostIntegrityResponse(key));
    }
}

TEST_F(PluginDll, DescriptionIsBuiltFromTheFileVersion) {
    winampDSPHeader* header = getHeader(nullptr);
    // Read the FileVersion text independently of the plug-in's reader.
    const std::string path = PluginDllPath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::string block(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));
    char* version = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904b0\\FileVersion",
                               reinterpret_cast<LPVOID*>(&version), &length));
    EXPECT_EQ(std::string(header->description), std::string("Quorvex Tidewell v") + version);
}

TEST_F(PluginDll, GetModuleAnswersOnlyIndexZeroAndOne) {
    winampDSPHeader* header = getHeader(reinterpret_cast<void*>(0x1234));
    ASSERT_NE(header->getModule, nullptr);
    EXPECT_EQ(header->getModule(-1), nullptr);
    EXPECT_EQ(header->getModule(2), nullptr);
    EXPECT_EQ(header->getModule(1000), nullptr);
    winampDSPModule* mixIn = header->getModule(0);
    winampDSPModule* bypass = header->getModule(1);
    ASSERT_NE(mixIn, nullptr);
    ASSERT_NE(bypass, nullptr);
    EXPECT_STREQ(mixIn->description, "Tidewell MixIn");
    EXPECT_STREQ(bypass->description, "Tidewell Bypass");
    for (winampDSPModule* m : {mixIn, bypass}) {
        EXPECT_NE(m->Init, nullptr);
        EXPECT_NE(m->Config, nullptr);
        EXPECT_NE(m->ModifySamples, nullptr);
        EXPECT_NE(m->Quit, nullptr);
    }
}

TEST_F(PluginDll, SecondHeaderCallReturnsTheSameHeaderAndRecords) {
    winampDSPHeader* first = getHeader(nullptr);
    const winampDSPHeader headerCopy = *first;
    winampDSPModule records[2] = {*first->getModule(0), *first->getModule(1)};

    winampDSPHeader* second = getHeader(nullptr);
    EXPECT_EQ(second, first);
    EXPECT_EQ(std::memcmp(second, &headerCopy, sizeof headerCopy), 0);
    EXPECT_EQ(second->getModule(0), first->getModule(0));
    EXPECT_EQ(std::memcmp(second->getModule(0), &records[0], sizeof(winampDSPModule)), 0);
    EXPECT_EQ(std::memcmp(second->getModule(1), &records[1], sizeof(winampDSPModule)), 0);
}

TEST_F(PluginDll, EveryGlobalIsExportedByName) {
    for (const char* name : {"MixInLoaded", "ThisLibraryFileName", "MixInForm", "WaveInRecThread",
                             "PluginConfig", "ConfigForm", "DSPPlugins", "DSPPluginModulesStack",
                             "VersionReader", "VersionReaderResult", "InfoForm", "WinAmpAPIMan"}) {
        EXPECT_NE(GetProcAddress(library, name), nullptr) << name;
    }
}

TEST_F(PluginDll, AttachFillsFileNameAndVersionButNoObjectsYet) {
    char loaded[MAX_PATH] = {};
    GetModuleFileNameA(library, loaded, MAX_PATH);
    char** fileName = Global<char*>("ThisLibraryFileName");
    ASSERT_NE(*fileName, nullptr);
    EXPECT_EQ(lstrcmpiA(*fileName, loaded), 0) << *fileName << " vs " << loaded;

    EXPECT_NE(*Global<void*>("VersionReader"), nullptr);
    EXPECT_NE(*Global<void*>("VersionReaderResult"), nullptr);
    EXPECT_EQ(*Global<uint8_t>("MixInLoaded"), 0);
    for (const char* name : {"MixInForm", "WaveInRecThread", "PluginConfig", "ConfigForm",
                             "DSPPlugins", "DSPPluginModulesStack", "InfoForm", "WinAmpAPIMan"}) {
        EXPECT_EQ(*Global<void*>(name), nullptr) << name;
    }
}

TEST_F(PluginDll, MixInCallbacksIgnoreARecordThatIsNotTheirs) {
    winampDSPHeader* header = getHeader(nullptr);
    winampDSPModule* mixIn = header->getModule(0);
    winampDSPModule stranger = *mixIn;
    uint8_t* loaded = Global<uint8_t>("MixInLoaded");

    EXPECT_EQ(mixIn->Init(&stranger), 0);
    EXPECT_EQ(*loaded, 0) << "a foreign record starts nothing";
    short block[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(mixIn->ModifySamples(&stranger, block, 4, 16, 2, 44100), 4);
    mixIn->Quit(&stranger);
    mixIn->Config(&stranger);
}

TEST_F(PluginDll, BypassInitFailsWhileMixInIsNotRunning) {
    winampDSPHeader* header = getHeader(nullptr);
    winampDSPModule* bypass = header->getModule(1);
    EXPECT_EQ(bypass->Init(bypass), 1);
    short block[4] = {9, 8, 7, 6};
    EXPECT_EQ(bypass->ModifySamples(bypass, block, 2, 16, 2, 44100), 2);
    EXPECT_EQ(block[0], 9);
    bypass->Quit(bypass);
}

}  // namespace
