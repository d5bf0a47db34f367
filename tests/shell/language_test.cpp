#include "shell/language.h"

#include "model/messages.h"
#include "platform/profile/profile.h"
#include "resources/string_table.h"
#include "shell/app_settings.h"
#include "shell_test_support.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using shell_test::TempFolder;
using shell_test::WriteFile;

// Every test starts and ends with the built-in texts, and keeps the
// language's reports.
class ShellLanguage : public ::testing::Test {
protected:
    void SetUp() override {
        shell::InstallLanguage(nullptr, "");
        shell::SetLanguageLog([this](std::string_view line) { log_.emplace_back(line); });
    }
    void TearDown() override {
        shell::InstallLanguage(nullptr, "");
        shell::SetLanguageLog(nullptr);
    }
    std::vector<std::string> log_;
};

// --- Reading a pack -------------------------------------------------------------

TEST_F(ShellLanguage, PackTablesWithTheirEscapes) {
    const shell::CPackReading reading = shell::ParseLanguagePack(
        "\xEF\xBB\xBF; a comment\r\n"
        "[Strings]\r\n"
        "158=    Exception %d: copying the %s device failed!\r\n"
        "  311 =Line one\\r\\nLine two\\tand a \\\\ \r\n"
        "134=\r\n"
        "\n"
        "[dialog 133]\n"
        "0=IP range settings\n"
        "1001=First IP:\n"
        "[Menu   128]\n"
        "57600=&New\n"
        "57601=&Open... = with '='\n");
    EXPECT_TRUE(reading.problems.empty());
    EXPECT_TRUE(reading.validUtf8);
    const shell::CLanguagePack& pack = reading.pack;
    ASSERT_NE(pack.String(158), nullptr);
    EXPECT_EQ(*pack.String(158), "    Exception %d: copying the %s device failed!");
    ASSERT_NE(pack.String(311), nullptr);
    EXPECT_EQ(*pack.String(311), "Line one\r\nLine two\tand a \\ ");
    ASSERT_NE(pack.String(134), nullptr);
    EXPECT_EQ(*pack.String(134), "");
    EXPECT_EQ(pack.String(100), nullptr);
    ASSERT_NE(pack.DialogText(133, 0), nullptr);
    EXPECT_EQ(*pack.DialogText(133, 0), "IP range settings");
    EXPECT_EQ(*pack.DialogText(133, 1001), "First IP:");
    EXPECT_EQ(pack.DialogText(133, 1002), nullptr);
    EXPECT_EQ(pack.DialogText(128, 57600), nullptr);
    EXPECT_EQ(*pack.MenuText(128, 57600), "&New");
    EXPECT_EQ(*pack.MenuText(128, 57601), "&Open... = with '='");
    EXPECT_EQ(reading.stringLines.at(311), 4);
}

struct ProblemRow {
    const char* name;
    std::string line;
};

TEST_F(ShellLanguage, LinesThatCannotBeUsedAreLeftOutAndNamed) {
    const ProblemRow rows[] = {
        {"not UTF-8 (a GBK text)", "100=\xCF\xDF\xB3\xCC"},
        {"an unknown escape", "100=a\\x41"},
        {"a '\\' at the end", "100=end\\"},
        {"a key that is no number", "abc=text"},
        {"a negative id", "-1=text"},
        {"an id too large for an int", "12345678901=text"},
        {"no '='", "100 text"},
        {"an id given twice", "157=again"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const shell::CPackReading reading =
            shell::ParseLanguagePack("[Strings]\n157=first\n" + row.line + "\n162=after\n");
        ASSERT_EQ(reading.problems.size(), 1u);
        EXPECT_EQ(reading.problems[0].line, 3);
        EXPECT_EQ(*reading.pack.String(157), "first");
        EXPECT_EQ(*reading.pack.String(162), "after");
        EXPECT_EQ(reading.pack.String(100), nullptr);
        EXPECT_EQ(reading.validUtf8, row.line.find('\xCF') == std::string::npos);
    }

    const shell::CPackReading sections = shell::ParseLanguagePack(
        "100=outside\n[Strings\n101=in a broken section\n[Dialog x]\n102=t\n[Toolbar 1]\n103=t\n"
        "[Strings]\n104=kept\n");
    ASSERT_EQ(sections.problems.size(), 4u);
    EXPECT_EQ(sections.problems[0].line, 1);
    EXPECT_EQ(sections.problems[1].line, 2);
    EXPECT_EQ(sections.problems[2].line, 4);
    EXPECT_EQ(sections.problems[3].line, 6);
    EXPECT_EQ(sections.pack.Strings().size(), 1u);
    EXPECT_EQ(*sections.pack.String(104), "kept");
}

TEST_F(ShellLanguage, ConversionsByKindInOrder) {
    using V = std::vector<std::string>;
    const std::pair<const char*, V> rows[] = {
        {"no conversion", {}},
        {"    异常 %d：复制%s设备不正确！", {"d", "s"}},
        {"%-5d%% %08.3f %ld %I64u %lld %hx %X %c %e %E %o", {"d", "f", "d", "u", "d", "x", "X", "c", "e", "E", "o"}},
        {"%i %S", {"d", "s"}},
        {"%*d %.*s %-*.*f", {"*", "d", "*", "s", "*", "*", "f"}},
        {"100%% done", {}},
        {"%g", {"?g"}},
        {"100% done", {"d"}},        // "% d": a blank flag, then d
        {"50%完成", {"?\xE5"}},
        {"ends in %", {"?"}},
        {"%70000d", {"?d"}},
    };
    for (const auto& [text, conversions] : rows) {
        SCOPED_TRACE(text);
        EXPECT_EQ(shell::PrintfConversions(text), conversions);
    }
}

// --- Choosing the language -----------------------------------------------------

struct PackFile {
    std::string name;  // file name in Language/
    std::string bytes;
};

PackFile Ranked(std::string name, std::string rank) {
    const std::string title = name.substr(0, name.find('.'));
    return {std::move(name), "[Strings]\n134=" + title + "\n270=" + rank + "\n"};
}

struct ChoiceRow {
    const char* name;
    std::optional<std::string> iniLanguage; // none: no Ostrel.ini
    std::vector<PackFile> packs;
    std::string chosen;                      // file title; "": the built-in texts
    std::optional<std::string> iniAfter;     // [Interface] Language afterwards
    std::string folder = "Language";
};

TEST_F(ShellLanguage, ChoosesTheNamedPackElseTheSmallestRankElseTheBuiltInTexts) {
    const ChoiceRow rows[] = {
        {"no Ostrel.ini: English, the default, by name", std::nullopt,
         {Ranked("rcChs.lang", "1"), Ranked("rcEng.lang", "2")}, "rcEng", std::nullopt},
        {"the named pack whatever the ranks", "rcChs",
         {Ranked("rcChs.lang", "9"), Ranked("rcEng.lang", "1")}, "rcChs", "rcChs"},
        {"the named pack even without a rank", "rcChs",
         {{"rcChs.lang", "[Strings]\n134=rcChs\n"}, Ranked("rcEng.lang", "1")}, "rcChs", "rcChs"},
        {"the name found without regard to case", "RCENG",
         {Ranked("rcChs.lang", "1"), Ranked("rcEng.lang", "2")}, "rcEng", "RCENG"},
        {"the folder found without regard to case", "rcChs",
         {Ranked("rcChs.lang", "2")}, "rcChs", "rcChs", "language"},
        {"ranks 2, 1, 3: the 1 wins and its title is written back", "rcNone",
         {Ranked("a.lang", "2"), Ranked("b.lang", "1"), Ranked("c.lang", "3")}, "b", "b"},
        {"0 and texts that are no number never win", "rcNone",
         {Ranked("a.lang", "0"), Ranked("b.lang", "x1"), Ranked("c.lang", "3"), Ranked("d.lang", "0")},
         "c", "c"},
        {"a 0 searched later does not displace a rank", "rcNone",
         {Ranked("a.lang", "3"), Ranked("b.lang", "0"), Ranked("c.lang", "zero")}, "a", "a"},
        {"nothing but 0 and no number: the built-in texts, nothing written", "rcNone",
         {Ranked("a.lang", "0"), Ranked("b.lang", "none"), Ranked("c.lang", "")}, "", "rcNone"},
        {"no packs: the built-in texts", "rcEng", {}, "", "rcEng"},
        {"no Language folder: the built-in texts", std::nullopt, {}, "", std::nullopt, ""},
        {"a tie goes to the first in name order", "rcNone",
         {Ranked("b.lang", "1"), Ranked("a.lang", "1")}, "a", "a"},
        {"a pack without text 270 is passed over", "rcNone",
         {{"a.lang", "[Strings]\n134=a\n"}, Ranked("b.lang", "5")}, "b", "b"},
        {"a pack that is not UTF-8 is passed over", "rcNone",
         {{"a.lang", "[Strings]\n134=\xC4\xE3\n270=1\n"}, Ranked("b.lang", "2")}, "b", "b"},
        {"the rank is read from its first three characters", "rcNone",
         {Ranked("a.lang", "1000"), Ranked("b.lang", "200")}, "a", "a"},
        {"a number with text after it ranks by the number", "rcNone",
         {Ranked("a.lang", "7 (English)"), Ranked("b.lang", "8")}, "a", "a"},
        {"other files are not packs", "rcNone",
         {Ranked("a.txt", "1"), Ranked("b.LANG", "4"), Ranked("c.lang.bak", "1")}, "b", "b"},
        {"a title of eight or more characters is read whole", "rcEnglish",
         {Ranked("rcEngli.lang", "1"), Ranked("rcEnglish.lang", "2")}, "rcEnglish", "rcEnglish"},
        {"a long title chosen by rank is written back whole", "rcNone",
         {Ranked("rcTraditionalChinese.lang", "1"), Ranked("rcTraditi.lang", "2")},
         "rcTraditionalChinese", "rcTraditionalChinese"},
        {"a name that is a path is no pack's", "../Language/rcChs",
         {Ranked("rcChs.lang", "2"), Ranked("rcEng.lang", "1")}, "rcEng", "rcEng"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder program;
        const std::filesystem::path ini = program.path() / "Ostrel.ini";
        if (row.iniLanguage)
            WriteFile(ini, "[Interface]\nLanguage=" + *row.iniLanguage + "\n");
        if (!row.folder.empty())
            std::filesystem::create_directories(program.path() / row.folder);
        for (const auto& pack : row.packs)
            WriteFile(program.path() / row.folder / pack.name, pack.bytes);

        shell::CAppSettings settings(ini);
        const shell::CLanguageChoice choice = shell::LoadAppLangResourceDLL(program.path(), settings);
        const std::string builtinName(resources::BuiltinString(134));
        if (row.chosen.empty()) {
            EXPECT_EQ(choice.pack, nullptr);
            EXPECT_TRUE(choice.file.empty());
            EXPECT_EQ(resources::LoadString(134), builtinName);
        } else {
            ASSERT_NE(choice.pack, nullptr);
            EXPECT_EQ(choice.file.stem(), row.chosen);
            EXPECT_EQ(resources::LoadString(134), row.chosen);
        }
        EXPECT_EQ(choice.writtenBack, row.iniAfter != row.iniLanguage);
        if (choice.writtenBack) {
            EXPECT_EQ(choice.name, row.chosen);
        }
        const std::string stored =
            platform::profile::ini_file_t(ini).read_string("Interface", "Language", "<none>");
        EXPECT_EQ(stored, row.iniAfter.value_or("<none>"));
        shell::InstallLanguage(nullptr, "");
    }
}

TEST_F(ShellLanguage, ANamedPackThatCannotBeReadGivesTheBuiltInTexts) {
    TempFolder program;
    WriteFile(program.path() / "Language" / "rcEng.lang", "[Strings]\n134=\xD3\xA2\xCE\xC4\n");
    WriteFile(program.path() / "Language" / "rcChs.lang", "[Strings]\n270=1\n");
    shell::CAppSettings settings(program.path() / "Ostrel.ini");
    const shell::CLanguageChoice choice = shell::LoadAppLangResourceDLL(program.path(), settings);
    EXPECT_EQ(choice.pack, nullptr);
    EXPECT_EQ(choice.name, "rcEng");
    EXPECT_FALSE(choice.writtenBack);
    EXPECT_EQ(resources::LoadString(134), resources::BuiltinString(134));
    ASSERT_EQ(log_.size(), 1u);
    EXPECT_NE(log_[0].find("not valid UTF-8"), std::string::npos) << log_[0];
}

// --- The installed texts ---------------------------------------------------------

std::shared_ptr<const shell::CLanguagePack> PackOf(std::string_view bytes) {
    return std::make_shared<const shell::CLanguagePack>(shell::ParseLanguagePack(bytes).pack);
}

TEST_F(ShellLanguage, PackTextElseTheBuiltInChinese) {
    shell::InstallLanguage(PackOf("[Strings]\n157=Unexpected file format!\n"
                                  "[Dialog 133]\n0=IP range\n[Menu 128]\n57600=&New\n"),
                           "rcTest");
    EXPECT_EQ(resources::LoadString(157), "Unexpected file format!");
    EXPECT_EQ(resources::LoadString(162), "检查网络...");
    EXPECT_EQ(resources::LoadString(9999), "");
    EXPECT_EQ(resources::BuiltinString(157), "非预期的文件格式！");
    EXPECT_EQ(model::FormatMessage(157), "Unexpected file format!");
    EXPECT_EQ(shell::DialogText(133, 0), "IP range");
    EXPECT_EQ(shell::DialogText(133, 1), std::nullopt);
    EXPECT_EQ(shell::MenuText(128, 57600), "&New");
    EXPECT_TRUE(log_.empty());

    shell::InstallLanguage(nullptr, "");
    EXPECT_EQ(resources::LoadString(157), "非预期的文件格式！");
    EXPECT_EQ(shell::DialogText(133, 0), std::nullopt);
    EXPECT_EQ(shell::MenuText(128, 57600), std::nullopt);
}

TEST_F(ShellLanguage, ATextWithOtherConversionsIsNotUsedAndLoggedOnce) {
    shell::InstallLanguage(PackOf("[Strings]\n"
                                  "158=    Exception %s: copying the %d device failed!\n"
                                  "163=    Warning %d: device '%s' is not online!\n"
                                  "164=    Info: device '%s' (%s) has a valid IP '%s'.\n"),
                           "rcTest");
    // Formatted as the program formats them: the built-in text takes over
    // where the pack's would throw.
    EXPECT_EQ(model::FormatMessage(158, 7, "Ny-8"), "    异常 7：复制Ny-8设备不正确！");
    EXPECT_EQ(model::FormatMessage(163, 3, "Unit", "00602b010203"),
              "    警告 3：设备 'Unit' (00602b010203)不在线！");
    EXPECT_EQ(model::FormatMessage(164, "Unit", "00602b010203", "10.0.0.9"),
              "    Info: device 'Unit' (00602b010203) has a valid IP '10.0.0.9'.");
    EXPECT_EQ(model::FormatMessage(158, 8, "Ny-16"), "    异常 8：复制Ny-16设备不正确！");
    ASSERT_EQ(log_.size(), 2u);
    EXPECT_NE(log_[0].find("rcTest"), std::string::npos) << log_[0];
    EXPECT_NE(log_[0].find("text 158"), std::string::npos) << log_[0];
    EXPECT_NE(log_[1].find("text 163"), std::string::npos) << log_[1];
}

TEST_F(ShellLanguage, TextsGivenOutStayValidAfterAnotherInstall) {
    shell::InstallLanguage(PackOf("[Strings]\n157=first pack\n"), "a");
    const std::string_view first = resources::LoadString(157);
    shell::InstallLanguage(PackOf("[Strings]\n157=second pack\n"), "b");
    EXPECT_EQ(first, "first pack");
    EXPECT_EQ(resources::LoadString(157), "second pack");
}

// --- The shipped packs -------------------------------------------------------------

std::optional<shell::CLanguagePack> Shipped(const char* title) {
    return shell::LoadLanguagePack(std::filesystem::path(OSTREL_SHIPPED_PACKS) /
                                   (std::string(title) + ".lang"));
}

TEST_F(ShellLanguage, ShippedPacksNameTheirLanguageAndChineseIsTheBuiltInTable) {
    const auto english = Shipped("rcEng");
    const auto chinese = Shipped("rcChs");
    ASSERT_TRUE(english && chinese);
    EXPECT_EQ(*english->String(shell::kLanguageNameString), "English");
    EXPECT_EQ(*chinese->String(shell::kLanguageNameString), "简体中文(Simplied Chinese)");
    EXPECT_EQ(resources::BuiltinString(shell::kLanguageNameString), "简体中文(Simplied Chinese)");
    // English ranks first when Ostrel.ini names no pack.
    EXPECT_EQ(*english->String(shell::kLanguageRankString), "1");
    EXPECT_EQ(*chinese->String(shell::kLanguageRankString), "2");
    for (const auto& entry : resources::BuiltinStrings()) {
        SCOPED_TRACE(entry.id);
        ASSERT_NE(chinese->String(entry.id), nullptr);
        EXPECT_EQ(*chinese->String(entry.id), entry.text);
        // Translated: no Chinese left in the English texts.
        ASSERT_NE(english->String(entry.id), nullptr);
        for (unsigned char c : *english->String(entry.id))
            ASSERT_LT(c, 0x80) << *english->String(entry.id);
    }
}

TEST_F(ShellLanguage, FirstStartOfAnEmptyProgramFolderSpeaksEnglish) {
    TempFolder program;
    shell::InstallShippedDefaults(std::filesystem::path(OSTREL_SHIPPED_PACKS).parent_path(),
                                  program.path());
    shell::CAppSettings settings(program.path() / "Ostrel.ini");
    const shell::CLanguageChoice choice = shell::LoadAppLangResourceDLL(program.path(), settings);
    EXPECT_EQ(choice.name, "rcEng");
    EXPECT_EQ(resources::LoadString(134), "English");
    EXPECT_EQ(model::FormatMessage(193, 2, 1), "Build failed -- 2 errors, 1 warnings.");
    EXPECT_TRUE(log_.empty());
}

} // namespace
