// tools/lang-check as a program: its verdict, its count and its reasons, on
// the shipped packs and on packs spoilt in one place each.
#include "resources/string_table.h"
#include "shell_test_support.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>

namespace {

using shell_test::TempFolder;

struct LangCheckRun {
    int status = -1;
    std::string out;
    std::string err;
};

LangCheckRun RunLangCheck(const std::filesystem::path& pack, const TempFolder& folder,
                          const std::string& options = "") {
    const std::filesystem::path out = folder.path() / "out.txt";
    const std::filesystem::path err = folder.path() / "err.txt";
    const std::string command = std::string("'") + LANG_CHECK_PATH + "' '" + pack.string() + "' " +
                                options + " >'" + out.string() + "' 2>'" + err.string() + "'";
    const int raw = std::system(command.c_str());
    LangCheckRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = shell_test::ReadFile(out);
    run.err = shell_test::ReadFile(err);
    return run;
}

std::string Count(std::size_t complete) {
    return std::to_string(complete) + " of " + std::to_string(resources::BuiltinStrings().size()) +
           " strings\n";
}

// The complete pack with the line of text `id` replaced by `line` (removed
// when empty).
std::string Spoilt(int id, const std::string& line) {
    std::string pack = shell_test::CompletePack();
    const std::string key = "\n" + std::to_string(id) + "=";
    const auto start = pack.find(key);
    const auto end = pack.find('\n', start + 1);
    pack.replace(start + 1, end - start, line.empty() ? "" : line + "\n");
    return pack;
}

struct LangCheckRow {
    const char* name;
    std::string pack;
    int status;
    std::size_t missingFromCount;
    std::string reason; // a part of standard error
};

TEST(LangCheck, PassesOnlyACompletePackWithEqualConversions) {
    const std::size_t total = resources::BuiltinStrings().size();
    const LangCheckRow rows[] = {
        {"complete", shell_test::CompletePack(), 0, 0, ""},
        {"complete with tables and comments",
         shell_test::CompletePack() +
             "; windows\n[Dialog 133]\n0=IP range\n[Menu 128]\n57600=&New\n",
         0, 0, ""},
        {"one conversion changed",
         Spoilt(158, "158=    Exception %d: copying the %d device failed!"), 1, 1,
         "text 158 has the conversions %d %d where the built-in text has %d %s"},
        {"two conversions swapped", Spoilt(170, "170=%s-%d %d: from %s-%d"), 1, 1,
         "text 170 has the conversions"},
        {"a conversion more", Spoilt(157, "157=Unexpected file format %s!"), 1, 1,
         "text 157 has the conversions %s where the built-in text has none"},
        {"one id missing", Spoilt(443, ""), 1, 1, "text 443 is missing"},
        {"one unknown id", shell_test::CompletePack() + "444=Power\n", 1, 0,
         "text 444 is not in the built-in table"},
        {"invalid UTF-8", Spoilt(441, "441=\xB5\xE7\xC1\xF7"), 1, 1, "not valid UTF-8"},
        {"an unknown escape", Spoilt(311, "311=Restart\\p"), 1, 1, "unknown escape"},
        {"an id twice", shell_test::CompletePack() + "157=again\n", 1, 0, "given twice"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder folder;
        const std::filesystem::path pack = folder.path() / "rcTest.lang";
        shell_test::WriteFile(pack, row.pack);
        const LangCheckRun run = RunLangCheck(pack, folder);
        EXPECT_EQ(run.status, row.status) << run.err;
        EXPECT_EQ(run.out, Count(total - row.missingFromCount));
        EXPECT_NE(run.err.find(row.reason), std::string::npos) << run.err;
        if (row.status == 0) {
            EXPECT_EQ(run.err, "");
        }
    }
}

TEST(LangCheck, InvalidUtf8IsNamedWithItsLine) {
    TempFolder folder;
    const std::filesystem::path pack = folder.path() / "rcTest.lang";
    shell_test::WriteFile(pack, "[Strings]\n100=\xB5\xE7\n");
    const LangCheckRun run = RunLangCheck(pack, folder);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(pack.string() + ":2: not valid UTF-8"), std::string::npos) << run.err;
}

TEST(LangCheck, ShippedPacksAreComplete) {
    for (const char* title : {"rcEng", "rcChs"}) {
        SCOPED_TRACE(title);
        TempFolder folder;
        const LangCheckRun run = RunLangCheck(
            std::filesystem::path(OSTREL_SHIPPED_PACKS) / (std::string(title) + ".lang"), folder);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, Count(resources::BuiltinStrings().size()));
        EXPECT_EQ(run.err, "");
    }
}

// What the windows show in a language, as written for --shown: the pack
// gives each text as it stands or as a format of it; numbers and scale
// marks need none.
TEST(LangCheck, ShownTextsWithoutAnEntryFailThePack) {
    const std::string chineseShown = "选择语言\n确定\n取消\n波段  1\n-3\n12.5k\n1 K\n"
                                     "  低频\\n\\n250.0 Hz\\nBW 12\\n0.0dB\\n正常\\n静音\n"
                                     "文件(&F)\n文件(F)\n";
    struct Row {
        const char* name;
        const char* pack;
        std::string shown;
        int status;
        std::string reason;
    };
    const Row rows[] = {
        {"all given", "rcChs", chineseShown, 0, ""},
        {"an English band entry", "rcChs", chineseShown + "Band  1\n", 1,
         "the shown text \"Band  1\" has no entry"},
        {"an English button", "rcChs", chineseShown + "Cancel\n", 1,
         "the shown text \"Cancel\" has no entry"},
        {"an English summary", "rcChs", "  Low\\n\\n250.0 Hz\\nBW 12\\n0.0dB\\nNormal\\nNormal\n",
         1, "has no entry"},
        {"a Chinese text left in English", "rcEng", "Band 10\nOK\n低频\n", 1,
         "the shown text \"低频\" has no entry"},
        {"a text of the other language's pack", "rcEng", "Band 10\nOK\nLow\n", 0, ""},
        {"an unknown escape", "rcChs", "确定\\q\n", 1, ":1: unknown escape"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder folder;
        const std::filesystem::path shown = folder.path() / "shown.txt";
        shell_test::WriteFile(shown, row.shown);
        const LangCheckRun run = RunLangCheck(std::filesystem::path(OSTREL_SHIPPED_PACKS) /
                                                  (std::string(row.pack) + ".lang"),
                                              folder, "--shown '" + shown.string() + "'");
        EXPECT_EQ(run.status, row.status) << run.err;
        EXPECT_EQ(run.out, Count(resources::BuiltinStrings().size()));
        EXPECT_NE(run.err.find(row.reason), std::string::npos) << run.err;
    }
}

TEST(LangCheck, AMissingFileIsAnError) {
    TempFolder folder;
    const LangCheckRun run = RunLangCheck(folder.path() / "none.lang", folder);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("cannot be read"), std::string::npos);
}

} // namespace
