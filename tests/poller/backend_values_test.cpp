// The SNMP classes' parsing and printable forms, and the value texts of the
// management API back end, without a peer.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/snmppp/snmp_pp.h"
#include "platform/winsnmp/last_error.h"
#include "platform/winsnmp/snmp_types.h"
#include "poller/snmp_address.h"
#include "poller/snmp_nt.h"
#include "poller/snmp_pp.h"
#include "qo/exception.h"

namespace {

namespace pp = platform::snmppp;
namespace ws = platform::winsnmp;

TEST(PollerBackendText, TimeTicksPrintLikeTheSnmpClasses) {
    struct row_t {
        const char* fault;
        std::uint32_t ticks;
        const char* text;
    };
    const row_t rows[] = {
        {"zero", 0, "0:00:00.00"},
        {"hundredths and seconds kept apart", 123456, "0:20:34.56"},
        {"exactly one day is singular", 8640000, "1 day 0:00:00.00"},
        {"hours not padded, minutes padded", 8640000 + 9 * 360000 + 5 * 6000 + 7 * 100 + 3,
         "1 day 9:05:07.03"},
        {"several days take a comma", 3 * 8640000 + 23 * 360000, "3 days, 23:00:00.00"},
        {"largest value", 0xFFFFFFFFu, "497 days, 2:27:52.95"},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.fault);
        EXPECT_EQ(pp::TimeTicks(row.ticks).get_printable(), row.text);
    }
}

TEST(PollerBackendText, OctetStringsPrintAsTextOrHex) {
    struct row_t {
        const char* fault;
        std::vector<std::uint8_t> bytes;
        const char* text;
    };
    const row_t rows[] = {
        {"plain text stays text", {'*', 'N', 'y', '#'}, "*Ny#"},
        {"line ends count as printable", {'a', '\r', '\n', 'b'}, "a\r\nb"},
        {"empty string is empty", {}, ""},
        {"a tab makes it hex", {'a', '\t'}, "61 09"},
        {"a zero byte makes it hex", {'o', 'k', 0}, "6F 6B 00"},
        {"bytes above 0x7E make it hex", {0x00, 0x60, 0x2B, 0xFF}, "00 60 2B FF"},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.fault);
        EXPECT_EQ(pp::OctetStr(row.bytes.data(), row.bytes.size()).get_printable(), row.text);
    }
    EXPECT_EQ(pp::Counter64(0xFFFFFFFFu, 0xFFFFFFFFu).get_printable(), "18446744073709551615");
    EXPECT_EQ(pp::Counter64(1, 0).get_printable(), "4294967296");
    EXPECT_EQ(pp::SnmpInt32(-2147483647 - 1).get_printable(), "-2147483648");
    EXPECT_EQ(pp::Gauge32(4294967295u).get_printable(), "4294967295");
}

TEST(PollerBackendText, IdentifiersParseStrictly) {
    struct row_t {
        const char* fault;
        const char* text;
        bool valid;
        const char* printable;
    };
    const row_t rows[] = {
        {"plain", "1.3.6.1.2.1.1.1.0", true, "1.3.6.1.2.1.1.1.0"},
        {"leading dot dropped", ".1.3.6.1", true, "1.3.6.1"},
        {"largest sub-identifier", "1.4294967295", true, "1.4294967295"},
        {"sub-identifier overflow", "1.4294967296", false, ""},
        {"empty", "", false, ""},
        {"lone dot", ".", false, ""},
        {"empty part", "1..3", false, ""},
        {"trailing dot", "1.3.", false, ""},
        {"letters", "1.3.six", false, ""},
        {"blank", "1.3 .6", false, ""},
        {"names are not looked up", "iso.3.6", false, ""},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.fault);
        const pp::Oid id(row.text);
        EXPECT_EQ(id.valid(), row.valid);
        EXPECT_EQ(id.get_printable(), row.printable);
    }
    std::string longest = "1";
    for (int i = 1; i < 128; ++i)
        longest += ".1";
    EXPECT_TRUE(pp::Oid(longest).valid());
    EXPECT_FALSE(pp::Oid(longest + ".1").valid()) << "more than 128 sub-identifiers";
}

TEST(PollerBackendText, AgentAddressesAreNumericWithAnOptionalPort) {
    struct row_t {
        const char* fault;
        const char* text;
        bool valid;
        std::uint16_t port;
    };
    const row_t rows[] = {
        {"plain address gets the SNMP port", "10.0.0.1", true, 161},
        {"high port", "127.0.0.41/16161", true, 16161},
        {"largest port", "127.0.0.1/65535", true, 65535},
        {"port zero", "127.0.0.1/0", false, 0},
        {"port too large", "127.0.0.1/65536", false, 0},
        {"empty port", "127.0.0.1/", false, 0},
        {"port with letters", "127.0.0.1/16a", false, 0},
        {"part above 255", "10.0.0.256", false, 0},
        {"three parts", "10.0.0", false, 0},
        {"five parts", "1.2.3.4.5", false, 0},
        {"trailing blank", "10.0.0.1 ", false, 0},
        {"leading blank", " 10.0.0.1", false, 0},
        {"host name", "unit-7", false, 0},
        {"host name with port", "localhost/161", false, 0},
        {"empty", "", false, 0},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.fault);
        const pp::GenAddress address(row.text);
        EXPECT_EQ(address.valid(), row.valid);
        EXPECT_EQ(address.port(), row.port);
    }
    EXPECT_EQ(pp::GenAddress("127.0.0.41/16161").get_printable(), "127.0.0.41/16161");
    EXPECT_EQ(pp::IpAddress("192.168.001.010").get_printable(), "192.168.1.10");
}

TEST(PollerBackendText, DeviceAddressesAreDottedOrHostNamesLookedUpOnlyWhenTheyCanBeOnes) {
    // A resolver that knows two names and counts its look-ups.
    std::vector<std::string> looked_up;
    const kestrin2::snmp_host_resolver_t resolve = [&looked_up](std::string_view host) {
        looked_up.emplace_back(host);
        if (host == "localhost")
            return htonl(0x7F000001);
        if (host == "unit-7.example")
            return htonl(0x0A000207);
        throw qo::exception_t("bad net address");
    };
    struct row_t {
        const char* fault;
        const char* text;
        const char* address; // nullptr: "Invalid IP address"
        bool looked_up;
    };
    const row_t rows[] = {
        {"dotted address is its own", "10.0.0.1", "10.0.0.1", false},
        {"dotted address keeps its port", "127.0.0.41/16161", "127.0.0.41/16161", false},
        {"name", "localhost", "127.0.0.1", true},
        {"name keeps its port", "localhost/16161", "127.0.0.1/16161", true},
        {"name with dots, digits and a hyphen", "unit-7.example", "10.0.2.7", true},
        {"name that does not resolve", "unit-8", nullptr, true},
        {"name with port zero", "localhost/0", nullptr, false},
        {"name with a port of letters", "localhost/x", nullptr, false},
        {"name with an empty port", "localhost/", nullptr, false},
        {"dotted address with port zero", "127.0.0.41/0", nullptr, false},
        {"digits and dots are never a name", "10.0.0", nullptr, false},
        {"part above 255 is never a name", "10.0.0.256", nullptr, false},
        {"blank inside", "unit 7", nullptr, false},
        {"leading blank", " localhost", nullptr, false},
        {"empty", "", nullptr, false},
        {"slash alone", "/161", nullptr, false},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.fault);
        looked_up.clear();
        if (row.address) {
            EXPECT_EQ(kestrin2::snmp_device_address(row.text, resolve), row.address);
        } else {
            try {
                kestrin2::snmp_device_address(row.text, resolve);
                ADD_FAILURE() << "accepted";
            } catch (const qo::exception_t& e) {
                EXPECT_STREQ(e.what(), "Invalid IP address");
            }
        }
        EXPECT_EQ(looked_up.size(), row.looked_up ? 1u : 0u);
    }
}

TEST(PollerBackendText, MacAddressesReadWithOrWithoutSeparators) {
    EXPECT_EQ(pp::MacAddress("00:60:2B:01:02:0a").get_printable(), "00:60:2b:01:02:0a");
    EXPECT_EQ(pp::MacAddress("00-60-2b-01-02-0a").get_printable(), "00:60:2b:01:02:0a");
    EXPECT_EQ(pp::MacAddress("00602b01020a").get_printable(), "00:60:2b:01:02:0a");
    for (const char* text : {"00:60:2b:01:02", "00:60-2b:01:02:0a", "00:602b01020a",
                             "00:60:2b:01:02:0a:", "00:60:2b:01:02:0g", ""}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(pp::MacAddress(text).valid());
    }
}

TEST(PollerBackendText, ManagementApiValueTextsFollowTheSyntax) {
    std::uint8_t bytes[] = {'a', 'b', 0x01};
    std::uint8_t ip[] = {10, 1, 2, 3};
    std::uint32_t ids[] = {1, 3, 6, 1, 4, 1, 2680};
    auto value = [](std::uint8_t type) {
        ws::snmp_value_t v{};
        v.type = type;
        return v;
    };
    struct row_t {
        const char* fault;
        ws::snmp_value_t value;
        const char* text;
    };
    std::vector<row_t> rows;
    {
        auto v = value(ws::syntax_integer);
        v.integer = -17;
        rows.push_back({"INTEGER signed", v, "-17"});
    }
    for (std::uint8_t type : {ws::syntax_bits, ws::syntax_octets, ws::syntax_sequence,
                              ws::syntax_opaque}) {
        auto v = value(type);
        v.octets = {bytes, 2, 0};
        rows.push_back({"byte syntaxes print as octet strings", v, "ab"});
        v.octets.length = 3;
        rows.push_back({"byte syntaxes with a control byte print as hex", v, "61 62 01"});
    }
    {
        auto v = value(ws::syntax_oid);
        v.oid = {7, ids};
        rows.push_back({"identifier dotted without a leading dot", v, "1.3.6.1.4.1.2680"});
    }
    {
        auto v = value(ws::syntax_ip_address);
        v.octets = {ip, 4, 0};
        rows.push_back({"IpAddress dotted", v, "10.1.2.3"});
    }
    {
        auto v = value(ws::syntax_counter32);
        v.unsigned32 = 4294967295u;
        rows.push_back({"Counter32 unsigned", v, "4294967295"});
        v.type = ws::syntax_gauge32;
        rows.push_back({"Gauge32 unsigned", v, "4294967295"});
        v.type = ws::syntax_unsigned32;
        rows.push_back({"unsigned 32-bit", v, "4294967295"});
        v.type = ws::syntax_timeticks;
        v.unsigned32 = 8640123;
        rows.push_back({"TimeTicks as time", v, "1 day 0:00:01.23"});
    }
    {
        auto v = value(ws::syntax_counter64);
        v.counter64 = {5, 1};
        rows.push_back({"Counter64 of high and low", v, "4294967301"});
    }
    rows.push_back({"NULL has no text", value(ws::syntax_null), ""});
    rows.push_back({"an unknown syntax has no text", value(0x80), ""});
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.fault);
        EXPECT_EQ(kestrin2::snmp_nt_value_text(row.value), row.text);
    }
}

TEST(PollerBackendText, SnmppTimeOutIsTheMillisecondsDividedBy30) {
    EXPECT_EQ(kestrin2::snmp_pp_t::target_timeout(100), 3u);
    EXPECT_EQ(kestrin2::snmp_pp_t::target_timeout(20), 0u);
    EXPECT_EQ(kestrin2::snmp_pp_t::target_timeout(3000), 100u);
    EXPECT_EQ(kestrin2::snmp_pp_t::target_timeout(-100), 0u) << "a negative time-out is clamped";
}

TEST(PollerBackendText, StrToOidTakesDottedNumbersAndMib2RelativeNames) {
    const std::string folder = ws::library_folder();
    void* library = ::dlopen((folder + ws::mgmtapi_library).c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << ::dlerror();
    void* utility = ::dlopen((folder + ws::snmpapi_library).c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(utility, nullptr) << ::dlerror();
    auto str_to_oid = reinterpret_cast<ws::SnmpMgrStrToOid_t>(::dlsym(library, "SnmpMgrStrToOid"));
    auto mem_free = reinterpret_cast<ws::SnmpUtilMemFree_t>(::dlsym(utility, "SnmpUtilMemFree"));
    ASSERT_TRUE(str_to_oid && mem_free);
    struct row_t {
        const char* fault;
        const char* text;
        const char* dotted; // empty: refused
    };
    const row_t rows[] = {
        {"absolute with the leading dot", ".1.3.6.1.4.1.2680.1.1.10.1.5.0",
         "1.3.6.1.4.1.2680.1.1.10.1.5.0"},
        {"without the dot it is below mib-2", "1.4.0", "1.3.6.1.2.1.1.4.0"},
        {"names are refused", ".iso.3", ""},
        {"empty part refused", ".1..3", ""},
        {"nothing after the dot refused", ".", ""},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.fault);
        ws::snmp_oid_t id{};
        const int done = str_to_oid(row.text, &id);
        EXPECT_EQ(done != 0, *row.dotted != '\0');
        if (done) {
            EXPECT_EQ(pp::Oid(id.ids, id.count).get_printable(), row.dotted);
            mem_free(id.ids);
        }
    }
    ::dlclose(utility);
    ::dlclose(library);
}

// ---------------------------------------------------------------------------
// The management API libraries and the session failure line.

bool mapped(const char* library) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.find(std::string("/") + library) != std::string::npos)
            return true;
    return false;
}

TEST(PollerBackendLibraries, TheLastBackEndUnloadsAndTheNextLoadsAgain) {
    using kestrin2::snmp_nt_t;
    ASSERT_EQ(snmp_nt_t::living_count(), 0);
    EXPECT_FALSE(snmp_nt_t::libraries_loaded());
    {
        auto first = std::make_unique<snmp_nt_t>();
        auto second = std::make_unique<snmp_nt_t>();
        EXPECT_EQ(snmp_nt_t::living_count(), 2);
        EXPECT_TRUE(snmp_nt_t::libraries_loaded());
        EXPECT_TRUE(mapped(ws::mgmtapi_library));
        EXPECT_TRUE(mapped(ws::snmpapi_library));
        first.reset();
        EXPECT_TRUE(snmp_nt_t::libraries_loaded()) << "one back end still lives";
        EXPECT_TRUE(mapped(ws::mgmtapi_library));
    }
    EXPECT_EQ(snmp_nt_t::living_count(), 0);
    EXPECT_FALSE(snmp_nt_t::libraries_loaded());
    EXPECT_FALSE(mapped(ws::mgmtapi_library)) << "unloaded from the process";
    EXPECT_FALSE(mapped(ws::snmpapi_library));

    snmp_nt_t again;
    EXPECT_TRUE(snmp_nt_t::libraries_loaded());
    EXPECT_TRUE(mapped(ws::mgmtapi_library));
}

class PollerBackendSessionLog : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "ostrel-home-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        home_ = pattern;
        const char* old = std::getenv("OSTREL_HOME");
        if (old)
            old_home_ = old;
        had_home_ = old != nullptr;
        ::setenv("OSTREL_HOME", home_.c_str(), 1);
    }
    void TearDown() override {
        if (had_home_)
            ::setenv("OSTREL_HOME", old_home_.c_str(), 1);
        else
            ::unsetenv("OSTREL_HOME");
        std::error_code ignored;
        std::filesystem::remove_all(home_, ignored);
    }
    std::string read_log() const {
        std::ifstream in(home_ + "/session.log", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string home_;
    std::string old_home_;
    bool had_home_ = false;
};

TEST_F(PollerBackendSessionLog, SessionThatCannotOpenIsLoggedAndRaised) {
    kestrin2::snmp_nt_t backend;
    kestrin2::snmp_request_options_t options;
    options.community = "vuzuvuz";
    options.timeout_ms = 100;
    options.retry_count = 1;
    kestrin2::snmp_vb_t vb{"10.0.0.300", "1.3.6.1.2.1.1.1.0", " ", 0};

    testing::internal::CaptureStdout();
    std::string raised;
    try {
        backend.get(vb, options);
    } catch (const qo::exception_t& e) {
        raised = e.what();
    }
    const std::string printed = testing::internal::GetCapturedStdout();
    const std::regex line(
        R"(\d{4}/\d{1,2}/\d{1,2},\d{1,2}:\d{1,2}:\d{1,2}\.\d{1,3}: GetLastError = 87,)"
        R"(IP = \[10\.0\.0\.300\],user=\[vuzuvuz\],timeout = \[100\],retry_count = \[1\])"
        R"(  Snmp session creation fails, error in snmp_nt_t::open_session \(\))");
    EXPECT_TRUE(std::regex_match(raised, line)) << raised;
    EXPECT_EQ(printed, raised) << "standard output gets the text without a line end";
    EXPECT_EQ(read_log(), raised + "\n");

    // A second failure appends; a negative time-out is shown as it was used.
    options.timeout_ms = -5;
    try {
        backend.set(vb, options);
    } catch (const qo::exception_t&) {
    }
    const std::string log = read_log();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2);
    EXPECT_NE(log.find("timeout = [0]"), std::string::npos);
}

TEST_F(PollerBackendSessionLog, MissingProgramFolderOnlySkipsTheFile) {
    ::setenv("OSTREL_HOME", (home_ + "/missing").c_str(), 1);
    kestrin2::snmp_nt_t backend;
    kestrin2::snmp_request_options_t options;
    kestrin2::snmp_vb_t vb{"not-an-address", "1.3.6.1.2.1.1.1.0", " ", 0};
    testing::internal::CaptureStdout();
    try {
        backend.get_next(vb, options);
        ADD_FAILURE() << "no failure";
    } catch (const qo::exception_t& e) {
        EXPECT_NE(std::string(e.what()).find("Snmp session creation fails"), std::string::npos);
    }
    testing::internal::GetCapturedStdout();
    EXPECT_FALSE(std::filesystem::exists(home_ + "/missing"));
}

} // namespace
