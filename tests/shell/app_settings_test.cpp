#include "shell/app_settings.h"

#include "platform/profile/registry.h"
#include "shell_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

using shell::CAppSettings;
using shell_test::ReadFile;
using shell_test::TempFolder;
using shell_test::WriteFile;

TEST(ShellAppSettings, MissingFileGivesTheDefaults) {
    TempFolder folder;
    const CAppSettings settings(folder.path() / "Ostrel.ini");
    EXPECT_EQ(settings.Language(), "rcEng");
    EXPECT_EQ(settings.IpStart(), "0.0.0.0");
    EXPECT_EQ(settings.IpEnd(), "0.0.0.0");
    EXPECT_EQ(settings.StartVisible(), 1);
    EXPECT_EQ(settings.Adapter(), "");
    EXPECT_EQ(settings.NetType(), "Normal");
    const shell::CNetworkSettings network = settings.ReadNetworkSettings();
    EXPECT_EQ(network.startAddress, 0u);
    EXPECT_EQ(network.endAddress, 0u);
    EXPECT_EQ(network.adapter, "");
    EXPECT_TRUE(network.startVisible);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "Ostrel.ini"));
}

TEST(ShellAppSettings, TextsAreCutToTheirBuffersButTheLanguageIsReadWhole) {
    TempFolder folder;
    const std::string adapter(200, 'a');
    WriteFile(folder.path() / "Ostrel.ini",
              "[Interface]\nLanguage=rcEnglishUK\n"
              "[IPSeg]\nIPStart=192.168.100.100 and more\nIPEnd=192.168.1.200\n"
              "[AdapterSeg]\nAdapter=" + adapter + "\n"
              "[NetAttri]\nNetType=WirelessWirelessWireless\n");
    const CAppSettings settings(folder.path() / "Ostrel.ini");
    EXPECT_EQ(settings.Language(), "rcEnglishUK");
    EXPECT_EQ(settings.IpStart(), "192.168.100.100 and");
    EXPECT_EQ(settings.Adapter(), adapter.substr(0, 127));
    EXPECT_EQ(settings.NetType(), "WirelessWirelessWir");

    // A start address cut to nonsense is no address at all.
    const shell::CNetworkSettings network = settings.ReadNetworkSettings();
    EXPECT_EQ(network.startAddress, 0u);
    EXPECT_EQ(network.endAddress, 0xC0A801C8u);
    EXPECT_EQ(network.adapter, adapter.substr(0, 127));
}

TEST(ShellAppSettings, WritesAreReadBack) {
    TempFolder folder;
    CAppSettings settings(folder.path() / "Ostrel.ini");
    ASSERT_TRUE(settings.SetLanguage("rcChineseTraditional"));
    ASSERT_TRUE(settings.SetIpRange(0xC0A80101, 0xC0A801FE));
    ASSERT_TRUE(settings.SetAdapter("Intel(R) PRO/1000 MT 网卡"));
    ASSERT_TRUE(settings.SetStartVisible(false));
    ASSERT_TRUE(settings.SetNetType(shell::kNetTypeWireless));

    EXPECT_EQ(settings.Language(), "rcChineseTraditional");
    EXPECT_EQ(settings.IpStart(), "192.168.1.1");
    EXPECT_EQ(settings.IpEnd(), "192.168.1.254");
    EXPECT_EQ(settings.Adapter(), "Intel(R) PRO/1000 MT 网卡");
    EXPECT_EQ(settings.StartVisible(), 0);
    EXPECT_EQ(settings.NetType(), "Wireless");
    const shell::CNetworkSettings network = settings.ReadNetworkSettings();
    EXPECT_EQ(network.startAddress, 0xC0A80101u);
    EXPECT_EQ(network.endAddress, 0xC0A801FEu);
    EXPECT_FALSE(network.startVisible);
}

TEST(ShellAppSettings, OnlyOneShowsTheRangeDialogAndOnlyNormalCaptures) {
    TempFolder folder;
    CAppSettings settings(folder.path() / "Ostrel.ini");
    const std::pair<const char*, bool> visible[] = {{"1", true}, {"0", false}, {"2", false},
                                                    {"", true}, {"01", true}, {"yes", false}};
    for (const auto& [value, shown] : visible) {
        SCOPED_TRACE(value);
        WriteFile(settings.IniPath(), std::string("[IPSeg]\nStartVisible=") + value + "\n");
        EXPECT_EQ(settings.ReadNetworkSettings().startVisible, shown);
    }
    EXPECT_TRUE(shell::IsPacketCaptureNetType("Normal"));
    EXPECT_FALSE(shell::IsPacketCaptureNetType("normal"));
    EXPECT_FALSE(shell::IsPacketCaptureNetType("Wireless"));
    EXPECT_FALSE(shell::IsPacketCaptureNetType(""));
}

TEST(ShellRegistryString, DefaultValueUnderLocalMachineWithinEightyBytes) {
    TempFolder folder;
    platform::profile::registry_store_t store(folder.path() / "Registry.ini");
    std::string value = "stale";
    EXPECT_FALSE(shell::ReadRegistryString(store, "SOFTWARE\\Ostrel\\ConfigPass", value));
    EXPECT_EQ(value, "");

    ASSERT_TRUE(shell::WriteRegistryString(store, "SOFTWARE\\Ostrel\\ConfigPass", "7"));
    EXPECT_TRUE(shell::ReadRegistryString(store, "software\\ostrel\\configpass", value));
    EXPECT_EQ(value, "7");
    // The framework's profile of the same name is another hive.
    EXPECT_FALSE(store.get(platform::profile::hive::current_user, "SOFTWARE\\Ostrel\\ConfigPass", "@"));

    const std::string longest(79, 'x');
    ASSERT_TRUE(shell::WriteRegistryString(store, "SOFTWARE\\Ostrel\\ConfigPass", longest));
    EXPECT_TRUE(shell::ReadRegistryString(store, "SOFTWARE\\Ostrel\\ConfigPass", value));
    EXPECT_EQ(value, longest);
    ASSERT_TRUE(shell::WriteRegistryString(store, "SOFTWARE\\Ostrel\\ConfigPass", longest + "x"));
    value = "stale";
    EXPECT_FALSE(shell::ReadRegistryString(store, "SOFTWARE\\Ostrel\\ConfigPass", value));
    EXPECT_EQ(value, "");
}

TEST(ShellRegistryString, TheProgramsStoreIsInTheProgramFolder) {
    TempFolder folder;
    shell_test::ScopedEnv home("OSTREL_HOME", folder.path().string());
    ASSERT_TRUE(shell::WriteRegistryString("SOFTWARE\\Ostrel\\ConfigPass", " "));
    std::string value;
    EXPECT_TRUE(shell::ReadRegistryString("SOFTWARE\\Ostrel\\ConfigPass", value));
    EXPECT_EQ(value, " ");
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "Registry.ini"));
}

// --- Shipped defaults ----------------------------------------------------------

// Every file under `root` with its contents, by path relative to it.
std::map<std::string, std::string> Tree(const std::filesystem::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[std::filesystem::relative(entry.path(), root).string()] = ReadFile(entry.path());
    return files;
}

struct ShippedRow {
    const char* name;
    std::map<std::string, std::string> before; // the program folder's files
    std::map<std::string, std::string> after;
    std::vector<std::string> copied;
};

TEST(ShellShippedDefaults, CopiedInOnceAndNeverOverAFileThere) {
    TempFolder data;
    WriteFile(data.path() / "Ostrel.ini", "[IPSeg]\nStartVisible=1\n");
    WriteFile(data.path() / "Language/rcEng.lang", "shipped English");
    WriteFile(data.path() / "Language/rcChs.lang", "shipped Chinese");
    WriteFile(data.path() / "Language/readme.txt", "not a pack");

    const ShippedRow rows[] = {
        {"first start: everything",
         {},
         {{"Ostrel.ini", "[IPSeg]\nStartVisible=1\n"},
          {"Language/rcChs.lang", "shipped Chinese"},
          {"Language/rcEng.lang", "shipped English"}},
         {"Ostrel.ini", "Language/rcChs.lang", "Language/rcEng.lang"}},
        {"the user's settings stay",
         {{"Ostrel.ini", "[IPSeg]\nStartVisible=0\n"}},
         {{"Ostrel.ini", "[IPSeg]\nStartVisible=0\n"},
          {"Language/rcChs.lang", "shipped Chinese"},
          {"Language/rcEng.lang", "shipped English"}},
         {"Language/rcChs.lang", "Language/rcEng.lang"}},
        {"an edited pack stays, the missing one comes",
         {{"Ostrel.ini", "mine"}, {"Language/rcEng.lang", "edited English"}},
         {{"Ostrel.ini", "mine"},
          {"Language/rcChs.lang", "shipped Chinese"},
          {"Language/rcEng.lang", "edited English"}},
         {"Language/rcChs.lang"}},
        {"a file there under another case is the same file",
         {{"ostrel.INI", "mine"}, {"language/RCENG.LANG", "edited English"}},
         {{"ostrel.INI", "mine"},
          {"language/RCENG.LANG", "edited English"},
          {"language/rcChs.lang", "shipped Chinese"}},
         {"language/rcChs.lang"}},
        {"an empty file is a file",
         {{"Ostrel.ini", ""}, {"Language/rcEng.lang", ""}, {"Language/rcChs.lang", ""}},
         {{"Ostrel.ini", ""}, {"Language/rcEng.lang", ""}, {"Language/rcChs.lang", ""}},
         {}},
        {"packs of the user's own are left alone",
         {{"Language/rcDeu.lang", "German"}},
         {{"Ostrel.ini", "[IPSeg]\nStartVisible=1\n"},
          {"Language/rcChs.lang", "shipped Chinese"},
          {"Language/rcDeu.lang", "German"},
          {"Language/rcEng.lang", "shipped English"}},
         {"Ostrel.ini", "Language/rcChs.lang", "Language/rcEng.lang"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder home;
        const std::filesystem::path program = home.path() / "ostrel";
        std::filesystem::create_directories(program);
        for (const auto& [name, bytes] : row.before)
            WriteFile(program / name, bytes);

        std::vector<std::string> copied;
        for (const auto& file : shell::InstallShippedDefaults(data.path(), program))
            copied.push_back(std::filesystem::relative(file, program).string());
        std::sort(copied.begin(), copied.end());
        std::vector<std::string> expected = row.copied;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(copied, expected);
        EXPECT_EQ(Tree(program), row.after);

        // A second start finds everything there.
        EXPECT_TRUE(shell::InstallShippedDefaults(data.path(), program).empty());
        EXPECT_EQ(Tree(program), row.after);
    }
}

TEST(ShellShippedDefaults, MakesTheProgramFolderAndToleratesNoDataFolder) {
    TempFolder home;
    const std::filesystem::path program = home.path() / "a" / "b";
    EXPECT_TRUE(shell::InstallShippedDefaults(home.path() / "no-data", program).empty());
    EXPECT_TRUE(std::filesystem::is_directory(program));
}

TEST(ShellShippedDefaults, DataDirectoryFromTheEnvironmentElseTheSourceTree) {
    {
        shell_test::ScopedEnv data("OSTREL_DATA_DIR", "/opt/somewhere/share/ostrel");
        EXPECT_EQ(shell::DataDirectory(), "/opt/somewhere/share/ostrel");
    }
    shell_test::ScopedEnv data("OSTREL_DATA_DIR", "");
    // A test program lives in the build tree, with no share/ostrel beside it.
    EXPECT_TRUE(std::filesystem::exists(shell::DataDirectory() / "Language" / "rcEng.lang"));
    EXPECT_TRUE(std::filesystem::exists(shell::DataDirectory() / "Language" / "rcChs.lang"));
}

} // namespace
