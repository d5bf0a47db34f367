// The unit files of the hardware configuration: the files a new unit gets,
// byte for byte, the listing's acceptance rule, the channels the editor
// lists and submits, and serial numbers that must never name a file.
#include "device_editor/unit_configuration.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "device_test_support.h"

namespace {

namespace fs = std::filesystem;
using device_editor::CUnitConfigFile;
using device_editor::UnitChannelRow;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// Every file below `root`, as paths relative to it.
std::vector<std::string> FilesUnder(const fs::path& root) {
    std::vector<std::string> out;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            out.push_back(fs::relative(entry.path(), root).string());
    std::sort(out.begin(), out.end());
    return out;
}

struct golden_t {
    const char* model;
    const char* serial;
    const char* file;
};

void PrintTo(const golden_t& g, std::ostream* os) {
    *os << g.model << " " << g.serial;
}

class UnitFileGoldens : public ::testing::TestWithParam<golden_t> {};

TEST_P(UnitFileGoldens, AddWritesTheModelsFirstValuesKeyByKey) {
    device_test::TempHome home;
    const CUnitConfigFile units(home.path());
    ASSERT_TRUE(units.Add(GetParam().model, GetParam().serial));
    const fs::path written = home.path() / "Configuration" / GetParam().file;
    ASSERT_TRUE(fs::exists(written));
    EXPECT_EQ(ReadAll(written),
              ReadAll(fs::path(MODEL_FIXTURE_DIR) / "unit_files" / GetParam().file));
}

INSTANTIATE_TEST_SUITE_P(
    EachShape, UnitFileGoldens,
    ::testing::Values(golden_t{"QLA-206A", "a1b2c3-0010-SERIAL01", "00602ba1b2c3.ini"},
                      golden_t{"QLM-1204A", "12ab56-00FF-ABCDEFGH", "00602b12ab56.ini"},
                      golden_t{"QLM-1600A", "0d0e0f-1234-UNIT1600", "00602b0d0e0f.ini"},
                      golden_t{"QLM-0016A", "ABCDEF-abcd-X0016A01", "00602babcdef.ini"}),
    [](const auto& info) {
        std::string name = info.param.model;
        std::erase(name, '-');
        return name;
    });

// Upper-case digits of the first group name the file in lower case; the
// serial keeps them as typed.
TEST(UnitFileGoldens, TheFirstGroupIsStoredInLowerCaseTheSecondIsTheBundle) {
    device_test::TempHome home;
    const CUnitConfigFile units(home.path());
    ASSERT_TRUE(units.Add("QLM-1204A", "12AB56-00FF-ABCDEFGH"));
    const std::string text = ReadAll(home.path() / "Configuration" / "00602b12ab56.ini");
    EXPECT_NE(text.find("DeviceMac=00602b12ab56\n"), std::string::npos);
    EXPECT_NE(text.find("Serial=12AB56-00FF-ABCDEFGH\n"), std::string::npos);
    const device_editor::UnitBundles bundles = units.ReadBundles("00602B12AB56");
    EXPECT_EQ(bundles.bundle1, 255);
    EXPECT_EQ(bundles.bundle2, 256);
}

TEST(UnitFileSerials, AFirstGroupThatIsNotSixHexDigitsWritesNothingAnywhere) {
    device_test::TempHome home;
    const fs::path program = home.path() / "program";
    fs::create_directories(program);
    const CUnitConfigFile units(program);
    for (const char* serial :
         {"../../-00FF-ABCDEFGH", "..%2f..-00FF-ABCDEFGH", "12345g-00FF-ABCDEFGH",
          "/tmp/x-00FF-ABCDEFGH", "123456-00FG-ABCDEFGH", "123456+00FF-ABCDEFGH"}) {
        SCOPED_TRACE(serial);
        EXPECT_FALSE(device_editor::ParseSerial(serial));
        EXPECT_FALSE(units.Add("QLA-1", serial));
    }
    EXPECT_TRUE(FilesUnder(home.path()).empty());
    EXPECT_FALSE(units.PathOf("../../"));
    EXPECT_FALSE(units.Delete("../../"));
}

TEST(UnitFileSerials, QlM800CannotBeAddedNorAnUnknownModel) {
    device_test::TempHome home;
    const CUnitConfigFile units(home.path());
    EXPECT_FALSE(units.Add("QLM-800", "123456-0001-ABCDEFGH"));
    EXPECT_FALSE(units.Add("QLX-1", "123456-0001-ABCDEFGH"));
    EXPECT_FALSE(fs::exists(home.path() / "Configuration" / "00602b123456.ini"));
}

// --- listing -----------------------------------------------------------------

std::string UnitText(const std::string& mac, const std::string& model, const std::string& serial) {
    return "[Configuration]\nModel=" + model + "\nSerial=" + serial +
           "\n[DeviceProperty]\nDeviceMac=" + mac + "\n";
}

struct listing_case_t {
    const char* name;
    const char* file; // in Configuration
    std::string text;
    bool listed;
};

TEST(UnitFileListing, TheAcceptanceRule) {
    const std::vector<listing_case_t> cases = {
        {"Good", "00602b000001.ini", UnitText("00602b000001", "QLA-1", "000001-0001-ABCDEFGH"),
         true},
        {"MacInOtherCase", "00602b00000a.ini",
         UnitText("00602B00000A", "qla-8a", "00000a-0001-abcdefgh"), true},
        {"UpperCaseFileName", "00602B00000B.INI",
         UnitText("00602b00000b", "QLA-1", "00000b-0001-ABCDEFGH"), true},
        {"Qlm800", "00602b000002.ini", UnitText("00602b000002", "QLM-800", "000002-0001-ABCDEFGH"),
         true},
        {"TitleTooLong", "00602b0000033.ini",
         UnitText("00602b0000033", "QLA-1", "000003-0001-ABCDEFGH"), false},
        {"TitleTooShort", "00602b00004.ini",
         UnitText("00602b00004", "QLA-1", "000004-0001-ABCDEFGH"), false},
        {"MacDiffersFromTitle", "00602b000005.ini",
         UnitText("00602b000050", "QLA-1", "000005-0001-ABCDEFGH"), false},
        {"NoFirstDash", "00602b000006.ini",
         UnitText("00602b000006", "QLA-1", "000006+0001-ABCDEFGH"), false},
        {"NoSecondDash", "00602b000007.ini",
         UnitText("00602b000007", "QLA-1", "000007-0001+ABCDEFGH"), false},
        {"SerialTooShort", "00602b000008.ini",
         UnitText("00602b000008", "QLA-1", "000008-0001-ABCDEFG"), false},
        {"UnknownModel", "00602b000009.ini",
         UnitText("00602b000009", "QLX-9", "000009-0001-ABCDEFGH"), false},
        {"NotTheirPattern", "00602c00000c.ini",
         UnitText("00602c00000c", "QLA-1", "00000c-0001-ABCDEFGH"), false},
    };
    device_test::TempHome home;
    for (const listing_case_t& c : cases)
        WriteFile(home.path() / "Configuration" / c.file, c.text);

    std::vector<std::string> listed;
    for (const device_editor::StoredUnit& unit : CUnitConfigFile(home.path()).List())
        listed.push_back(unit.MacDigits());
    for (const listing_case_t& c : cases) {
        const std::string digits = [&] {
            std::string t = fs::path(c.file).stem().string().substr(6);
            std::transform(t.begin(), t.end(), t.begin(), ::tolower);
            return t;
        }();
        EXPECT_EQ(std::count(listed.begin(), listed.end(), digits), c.listed ? 1 : 0) << c.name;
    }
}

TEST(UnitFileListing, ModelAndSerialAreUpperCased) {
    device_test::TempHome home;
    WriteFile(home.path() / "Configuration" / "00602b00000a.ini",
              UnitText("00602b00000a", "qla-8a", "00000a-0001-abcdefgh"));
    const auto units = CUnitConfigFile(home.path()).List();
    ASSERT_EQ(units.size(), 1u);
    EXPECT_EQ(units[0].model, "QLA-8A");
    EXPECT_EQ(units[0].serial, "00000A-0001-ABCDEFGH");
}

TEST(UnitFileListing, NoFolderListsNothing) {
    device_test::TempHome home;
    EXPECT_TRUE(CUnitConfigFile(home.path()).List().empty());
}

// --- channels ----------------------------------------------------------------

std::vector<std::string> Labels(const std::vector<UnitChannelRow>& rows) {
    std::vector<std::string> out;
    for (const UnitChannelRow& row : rows)
        out.push_back((row.output ? "Out " : "In ") + std::to_string(row.number));
    return out;
}

TEST(UnitFileChannels, ListedChannelsByModel) {
    struct case_t {
        const char* model;
        std::vector<std::string> labels;
    };
    const auto all = [](int inputs, int outputs) {
        std::vector<std::string> out;
        for (int n = 1; n <= inputs; ++n)
            out.push_back("In " + std::to_string(n));
        for (int n = 1; n <= outputs; ++n)
            out.push_back("Out " + std::to_string(n));
        return out;
    };
    const std::vector<case_t> cases = {
        {"QLA-1", {}},
        {"QLA-8A", all(0, 8)},
        {"QLA-206A", {"In 7", "In 8", "Out 3", "Out 4", "Out 5", "Out 6", "Out 7", "Out 8"}},
        {"QLM-0808A", all(8, 8)},
        {"QLM-1600A", all(16, 0)},
        {"QLM-0016A", all(0, 16)},
        {"QLM-0412A", all(4, 12)},
        {"QLR-450", all(0, 2)},
        {"QLV-3300A", all(0, 2)},
        {"QLM-0202NM", all(2, 2)},
    };
    device_test::TempHome home;
    const CUnitConfigFile units(home.path());
    int n = 0;
    for (const case_t& c : cases) {
        SCOPED_TRACE(c.model);
        char serial[32];
        std::snprintf(serial, sizeof serial, "0000%02x-0001-ABCDEFGH", ++n);
        ASSERT_TRUE(units.Add(c.model, serial));
        EXPECT_EQ(Labels(units.ReadChannels(std::string(serial, 6), c.model)), c.labels);
    }
}

TEST(UnitFileChannels, AChannelWithoutTypeIsNotListed) {
    device_test::TempHome home;
    WriteFile(home.path() / "Configuration" / "00602b000001.ini",
              "[InChannelType]\nInChannel1=Mic\nInChannel2=\n[InChannelProperty]\nInChannel1=3\n"
              "[OutChannelType]\nOutChannel2=AES/EBU\n");
    const auto rows = CUnitConfigFile(home.path()).ReadChannels("000001", "QLM-0202A");
    ASSERT_EQ(Labels(rows), (std::vector<std::string>{"In 1", "Out 2"}));
    EXPECT_TRUE(rows[0].inUse);
    EXPECT_EQ(rows[1].type, "AES/EBU");
    EXPECT_FALSE(rows[1].inUse) << "a missing property reads 0";
}

TEST(UnitFileChannels, SubmitRewritesExactlyTheListedKeys) {
    device_test::TempHome home;
    const CUnitConfigFile units(home.path());
    ASSERT_TRUE(units.Add("QLA-206A", "a1b2c3-0010-SERIAL01"));
    std::vector<UnitChannelRow> rows = units.ReadChannels("a1b2c3", "QLA-206A");
    ASSERT_EQ(rows.size(), 8u);
    rows[0] = {false, 7, "Line", true};   // In 7 -> 1
    rows[1] = {false, 8, "Mic", false};   // In 8 -> 0
    rows[2] = {true, 3, "AES/EBU", true}; // Out 3 -> 1
    rows[3] = {true, 4, "Line", false};   // Out 4 -> 0
    ASSERT_TRUE(units.SubmitChannels("a1b2c3", rows));

    std::string expected = ReadAll(fs::path(MODEL_FIXTURE_DIR) / "unit_files" / "00602ba1b2c3.ini");
    const auto replace = [&](const std::string& from, const std::string& to) {
        const std::size_t at = expected.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        expected.replace(at, from.size(), to);
    };
    replace("InChannel7=Mic\nInChannel8=Mic", "InChannel7=Line\nInChannel8=Mic");
    replace("InChannel7=3\nInChannel8=3", "InChannel7=1\nInChannel8=0");
    replace("OutChannel3=Line\nOutChannel4=Line", "OutChannel3=AES/EBU\nOutChannel4=Line");
    replace("OutChannel3=1\nOutChannel4=1", "OutChannel3=1\nOutChannel4=0");
    EXPECT_EQ(ReadAll(home.path() / "Configuration" / "00602ba1b2c3.ini"), expected);
}

TEST(UnitFileChannels, ChannelCountsByModel) {
    using device_editor::UnitChannelCounts;
    EXPECT_EQ(UnitChannelCounts("QLA-206A"), (std::pair{8, 8}));
    EXPECT_EQ(UnitChannelCounts("QLM-1600A"), (std::pair{16, 0}));
    EXPECT_EQ(UnitChannelCounts("QLM-0016A"), (std::pair{0, 16}));
    EXPECT_EQ(UnitChannelCounts("QLM-0412A"), (std::pair{4, 12}));
    EXPECT_EQ(UnitChannelCounts("QLM-1204A"), (std::pair{12, 4}));
    EXPECT_EQ(UnitChannelCounts("QLM-800"), (std::pair{2, 2}));
    EXPECT_EQ(UnitChannelCounts("GENERIC"), (std::pair{0, 0}));
}

TEST(UnitFileDelete, RemovesTheFileInAnyCase) {
    device_test::TempHome home;
    WriteFile(home.path() / "configuration" / "00602B0000AA.INI", "x");
    const CUnitConfigFile units(home.path());
    EXPECT_TRUE(units.Delete("0000aa"));
    EXPECT_TRUE(FilesUnder(home.path() / "configuration").empty());
}

} // namespace
