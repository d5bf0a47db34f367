// Both SNMP back ends against real peers: Net-SNMP's snmpd and the scripted
// agent (tools/snmpagent), each started by the test on 127.0.0.0/8.
#include "tests/support/peers_required.h"
#include <gtest/gtest.h>

#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>

#include "platform/sync/event.h"
#include "poller/snmp_backends.h"
#include "poller/snmp_base.h"
#include "tools/snmpagent/peers.h"

namespace {

using namespace std::chrono_literals;
using clock_type = std::chrono::steady_clock;
using kestrin2::snmp_vb_t;

const std::string sys_descr = "1.3.6.1.2.1.1.1.0";
const std::string sys_object_id = "1.3.6.1.2.1.1.2.0";
const std::string sys_uptime = "1.3.6.1.2.1.1.3.0";
const std::string sys_contact = "1.3.6.1.2.1.1.4.0";
const std::string unit_oid = "1.3.6.1.4.1.2680.1.1.10.1.5.0";

// What differs between the back ends: their type and the prefix of the
// texts of failed requests.
struct backend_case_t {
    int type;
    const char* name;
    const char* prefix;
};

const backend_case_t nt_case{kestrin2::snmp_backend_nt, "ManagementApi", ""};
const backend_case_t pp_case{kestrin2::snmp_backend_snmppp, "Snmppp", "SNMP Error: "};

void PrintTo(const backend_case_t& c, std::ostream* os) {
    *os << c.name;
}

std::string case_name(const testing::TestParamInfo<backend_case_t>& info) {
    return info.param.name;
}

class backend_fixture_t : public testing::TestWithParam<backend_case_t> {
protected:
    void SetUp() override { backend_ = kestrin2::snmp_backends()(GetParam().type); }

    kestrin2::snmp_request_options_t options(int timeout_ms = 1000, int retries = 1) {
        kestrin2::snmp_request_options_t o;
        o.community = "vuzuvuz";
        o.timeout_ms = timeout_ms;
        o.retry_count = retries;
        o.abandon = &abandon_;
        return o;
    }

    // The text of a failed request, or "" when it succeeded.
    std::string error_of(const std::function<void()>& call) {
        try {
            call();
        } catch (const qo::exception_t& e) {
            return e.what();
        }
        return "";
    }

    std::string failed(const std::string& text) const { return GetParam().prefix + text; }

    std::unique_ptr<kestrin2::snmp_base_t> backend_;
    platform::sync::event_t abandon_{platform::sync::event_t::reset::manual};
};

// ---------------------------------------------------------------------------
// snmpd

class PollerBackendSnmpd : public backend_fixture_t {
protected:
    static void SetUpTestSuite() {
        if (snmp_peers::snmpd_t::available())
            agent_ = std::make_unique<snmp_peers::snmpd_t>("127.0.0.41");
    }
    static void TearDownTestSuite() { agent_.reset(); }
    void SetUp() override {
        OSTREL_REQUIRE_PEER(agent_, "snmpd");
        backend_fixture_t::SetUp();
    }
    snmp_vb_t vb(const std::string& name, const std::string& value = " ") const {
        return snmp_vb_t{agent_->target(), name, value, 0};
    }

    static std::unique_ptr<snmp_peers::snmpd_t> agent_;
};

std::unique_ptr<snmp_peers::snmpd_t> PollerBackendSnmpd::agent_;

TEST_P(PollerBackendSnmpd, GetReadsSysDescr) {
    snmp_vb_t request = vb(sys_descr);
    backend_->get(request, options());
    EXPECT_EQ(request.value, snmp_peers::snmpd_t::sys_descr);
    EXPECT_EQ(request.type, 4);
    EXPECT_EQ(request.name, sys_descr);

    snmp_vb_t uptime = vb(sys_uptime);
    backend_->get(uptime, options());
    EXPECT_EQ(uptime.type, 67);
    EXPECT_TRUE(std::regex_match(uptime.value, std::regex(R"(\d+:\d\d:\d\d\.\d\d)")))
        << uptime.value;
}

TEST_P(PollerBackendSnmpd, GetNextReturnsTheNextIdentifierWithoutLeadingDot) {
    snmp_vb_t request = vb(sys_descr);
    backend_->get_next(request, options());
    EXPECT_EQ(request.name, sys_object_id);
    EXPECT_EQ(request.type, 6);
    EXPECT_TRUE(std::regex_match(request.value, std::regex(R"(1\.3\.6\.1\.4\.1(\.\d+)+)")))
        << request.value;

    // From a point between variables.
    snmp_vb_t partial = vb("1.3.6.1.2.1.1");
    backend_->get_next(partial, options());
    EXPECT_EQ(partial.name, sys_descr);
    EXPECT_EQ(partial.value, snmp_peers::snmpd_t::sys_descr);
}

TEST_P(PollerBackendSnmpd, SetWritesSysContactAndAnswersTheNewValue) {
    const std::string text = std::string("*NyGET 3 101#") + GetParam().name;
    snmp_vb_t request = vb(sys_contact, text);
    backend_->set(request, options());
    EXPECT_EQ(request.value, text);
    EXPECT_EQ(request.type, 4);

    snmp_vb_t read_back = vb(sys_contact);
    backend_->get(read_back, options());
    EXPECT_EQ(read_back.value, text);
}

TEST_P(PollerBackendSnmpd, MissingVariablesFailAsUnknown) {
    snmp_vb_t missing = vb("1.3.6.1.2.1.1.99.0");
    EXPECT_EQ(error_of([&] { backend_->get(missing, options()); }), failed("Unknown variable"));
    // snmpd answers a set of a read-only variable in version 1 the same way.
    snmp_vb_t read_only = vb(sys_descr, "changed");
    EXPECT_EQ(error_of([&] { backend_->set(read_only, options()); }), failed("Unknown variable"));
    snmp_vb_t end = vb("1.3.6.1.6.3.999.999");
    EXPECT_EQ(error_of([&] { backend_->get_next(end, options()); }), failed("Unknown variable"));
}

TEST_P(PollerBackendSnmpd, NoAgentOnThePortTimesOutAfterTheRetries) {
    const std::string nowhere =
        "127.0.0.41/" + std::to_string(snmp_peers::free_udp_port("127.0.0.41"));
    snmp_vb_t request{nowhere, sys_descr, " ", 0};
    const auto began = clock_type::now();
    EXPECT_EQ(error_of([&] { backend_->get(request, options(300, 1)); }),
              failed("Request timeout"));
    const auto took = clock_type::now() - began;
    // Two attempts of 300 ms (of 300 / 30 = 10 hundredths for the SNMP
    // classes), and not much longer.
    const auto least = GetParam().type == kestrin2::snmp_backend_nt ? 550ms : 180ms;
    EXPECT_GE(took, least);
    EXPECT_LT(took, 2s);
}

TEST_P(PollerBackendSnmpd, WrongCommunityGoesUnanswered) {
    snmp_vb_t request = vb(sys_descr);
    auto o = options(100, 0);
    o.community = "public";
    EXPECT_EQ(error_of([&] { backend_->get(request, o); }), failed("Request timeout"));
}

INSTANTIATE_TEST_SUITE_P(Both, PollerBackendSnmpd, testing::Values(nt_case, pp_case), case_name);

// ---------------------------------------------------------------------------
// The scripted agent

class PollerBackendScripted : public backend_fixture_t {
protected:
    void SetUp() override {
        backend_fixture_t::SetUp();
        agent_ = std::make_unique<snmp_peers::scripted_agent_t>("127.0.0.42");
    }
    snmp_vb_t vb(const std::string& name, const std::string& value = " ") const {
        return snmp_vb_t{agent_->target(), name, value, 0};
    }
    bool is_nt() const { return GetParam().type == kestrin2::snmp_backend_nt; }

    std::unique_ptr<snmp_peers::scripted_agent_t> agent_;
};

TEST_P(PollerBackendScripted, EverySyntaxReadsAsText) {
    // Long enough for the long form of a length.
    const std::string long_sequence(260, '4');
    const std::string long_sequence_text(130, 'D');
    struct row_t {
        const char* agent_type;
        const char* agent_value;
        int type;
        const char* text;
    };
    const row_t rows[] = {
        {"integer", "-5", 2, "-5"},
        {"integer", "2147483647", 2, "2147483647"},
        {"octets", "*NyACK#", 4, "*NyACK#"},
        {"octets", "", 4, ""},
        {"hex", "00 60 2b ff", 4, "00 60 2B FF"},
        {"bits", "a5", 3, "A5"},
        {"opaque", "414243", 68, "ABC"},
        // A SEQUENCE prints as its contents would as an octet string.
        {"sequence", "020105", 48, "02 01 05"},
        {"sequence", "414243", 48, "ABC"},
        {"sequence", "", 48, ""},
        {"sequence", long_sequence.c_str(), 48, long_sequence_text.c_str()},
        // An Opaque wrapping a float (25) or a double (1.5), which Net-SNMP
        // takes apart: still an Opaque, with the number as text.
        {"opaque", "9f780441c80000", 68, "25"},
        // Code page 936 text reads as UTF-8; what is no text there stays hex.
        {"hex", "c7 f8 d3 f2", 4, "区域"},
        {"hex", "5a 6f 6e 65 20 c7 f8 d3 f2", 4, "Zone 区域"},
        {"hex", "41 ff", 4, "41 FF"},
        {"hex", "c7 f8 0d 0a 01", 4, "C7 F8 0D 0A 01"},
        {"opaque", "9f79083ff8000000000000", 68, "1.5"},
        {"oid", "1.3.6.1.4.1.2680.1", 6, "1.3.6.1.4.1.2680.1"},
        {"ipaddress", "192.168.10.254", 64, "192.168.10.254"},
        {"counter32", "4294967295", 65, "4294967295"},
        {"gauge32", "1000000000", 66, "1000000000"},
        {"timeticks", "8640123", 67, "1 day 0:00:01.23"},
        {"counter64", "18446744073709551615", 70, "18446744073709551615"},
        {"counter64", "4294967296", 70, "4294967296"},
        {"unsigned32", "4000000000", 71, "4000000000"},
        {"null", "", 5, ""},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(std::string(row.agent_type) + " " + row.agent_value);
        agent_->var(unit_oid, row.agent_type, row.agent_value);
        snmp_vb_t request = vb(unit_oid);
        backend_->get(request, options());
        EXPECT_EQ(request.type, row.type);
        EXPECT_EQ(request.value, row.text);
    }
}

TEST_P(PollerBackendScripted, EverySyntaxIsWrittenFromText) {
    // `stored` is what the agent holds afterwards (its tag and its own
    // decoding); none means the set fails with "Could not convert <text> to
    // snmp variable" and writes nothing. `nt_only` rows convert through the
    // management API alone.
    struct row_t {
        const char* fault;
        const char* agent_type;
        const char* initial;
        const char* text;
        const char* stored;
        bool nt_only;
    };
    const char* none = "";
    const row_t rows[] = {
        {"INTEGER from atol", "integer", "1", "-42", "2 -42", false},
        {"INTEGER of a non-number is 0", "integer", "1", "abc", "2 0", false},
        {"INTEGER stops at the first non-digit", "integer", "1", "12ab", "2 12", false},
        {"INTEGER saturates", "integer", "1", "99999999999", "2 2147483647", false},
        {"OCTET STRING takes the bytes", "octets", "old", "*NySET 1 2#", "4 2a4e795345542031203223",
         false},
        {"OCTET STRING text goes out in code page 936", "octets", "old", "区域", "4 c7f8d3f2",
         false},
        {"a byte kept from a read goes out as that byte", "octets", "old", "A\xED\xB2\x80",
         "4 4180", false},
        {"OBJECT IDENTIFIER dotted", "oid", "1.3.6", "1.3.6.1.4.1.2680.9", "6 1.3.6.1.4.1.2680.9",
         false},
        {"OBJECT IDENTIFIER that does not parse", "oid", "1.3.6", "1..2", none, false},
        {"IpAddress dotted", "ipaddress", "1.2.3.4", "10.1.2.3", "64 10.1.2.3", false},
        {"IpAddress that does not parse", "ipaddress", "1.2.3.4", "10.1.2", none, false},
        {"Counter32 from atol", "counter32", "1", "123", "65 123", false},
        {"Gauge32 from atol", "gauge32", "1", "77", "66 77", false},
        {"TimeTicks from atol", "timeticks", "1", "500", "67 500", false},
        {"Counter64 above 32 bits", "counter64", "1", "5000000000", "70 5000000000", false},
        {"Counter64 negative wraps", "counter64", "1", "-1", "70 18446744073709551615", false},
        {"Counter64 of a non-number", "counter64", "1", "abc", "70 0", true},
        {"unsigned 32-bit", "unsigned32", "1", "4000000000", "71 4000000000", true},
        {"unsigned 32-bit negative wraps", "unsigned32", "1", "-1", "71 4294967295", true},
        {"Opaque takes the bytes", "opaque", "00", "xyz", "68 78797a", true},
        {"bit string takes the bytes", "bits", "00", "xyz", "3 78797a", true},
        {"SEQUENCE takes the bytes", "sequence", "00", "xyz", "48 78797a", true},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.fault);
        agent_->var(unit_oid, row.agent_type, row.initial);
        const std::string before = agent_->show(unit_oid);
        snmp_vb_t request = vb(unit_oid, row.text);
        const std::string error = error_of([&] { backend_->set(request, options()); });
        const std::string stored = row.stored;
        if (!stored.empty() && (is_nt() || !row.nt_only)) {
            EXPECT_EQ(error, "");
            EXPECT_EQ(agent_->show(unit_oid), stored);
            EXPECT_EQ(std::to_string(request.type), stored.substr(0, stored.find(' ')));
        } else {
            EXPECT_EQ(error, std::string("Could not convert ") + row.text + " to snmp variable");
            EXPECT_EQ(agent_->show(unit_oid), before) << "nothing was written";
        }
    }
}

TEST_P(PollerBackendScripted, SetAnswersWhatTheDeviceStored) {
    agent_->var(unit_oid, "counter64", "1");
    snmp_vb_t request = vb(unit_oid, "5000000000");
    backend_->set(request, options());
    EXPECT_EQ(request.value, "5000000000");
    EXPECT_EQ(request.type, 70);
    EXPECT_EQ(request.name, unit_oid);
}

TEST_P(PollerBackendScripted, ErrorStatusesFailTheRequest) {
    struct row_t {
        const char* fault;
        const char* nt_text;
        const char* pp_text;
    };
    const row_t rows[] = {
        {"toobig", "Unexpected response", "SNMP Error: Response too big"},
        {"status 3", "Bad value", "SNMP Error: Bad value"},
        {"generr", "General error", "SNMP Error: General error"},
        {"status 7", "Error status 7", "SNMP Error: Wrong type"},
        {"status 18", "Error status 18", "SNMP Error: Inconsistent name"},
        {"status 99", "Error status 99", "SNMP Error: Unknown error"},
    };
    agent_->var(unit_oid, "octets", "value");
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.fault);
        agent_->fault(unit_oid, row.fault);
        const std::string expected = is_nt() ? row.nt_text : row.pp_text;
        snmp_vb_t get = vb(unit_oid);
        EXPECT_EQ(error_of([&] { backend_->get(get, options()); }), expected);
        snmp_vb_t next = vb("1.3.6.1.4.1.2680");
        EXPECT_EQ(error_of([&] { backend_->get_next(next, options()); }), expected);
        snmp_vb_t set = vb(unit_oid, "x");
        EXPECT_EQ(error_of([&] { backend_->set(set, options()); }), expected);
    }
}

TEST_P(PollerBackendScripted, ReadOnlyVariableIsWriteProtected) {
    agent_->var(unit_oid, "octets", "fixed");
    agent_->fault(unit_oid, "readonly");
    snmp_vb_t request = vb(unit_oid, "changed");
    EXPECT_EQ(error_of([&] { backend_->set(request, options()); }), failed("Write protect"));
    EXPECT_EQ(agent_->show(unit_oid), "4 6669786564");
    snmp_vb_t read = vb(unit_oid);
    backend_->get(read, options());
    EXPECT_EQ(read.value, "fixed");
}

TEST_P(PollerBackendScripted, SilenceTimesOutAfterEveryRetry) {
    agent_->var(unit_oid, "integer", "1");
    agent_->fault(unit_oid, "silent");
    snmp_vb_t request = vb(unit_oid);
    EXPECT_EQ(error_of([&] { backend_->get(request, options(90, 2)); }), failed("Request timeout"));
    EXPECT_EQ(agent_->count(unit_oid), 3) << "one attempt and two retries";

    // A negative time-out counts as none at all, not as a wait without end.
    const auto began = clock_type::now();
    EXPECT_EQ(error_of([&] { backend_->get(request, options(-1, 0)); }), failed("Request timeout"));
    EXPECT_LT(clock_type::now() - began, 1s);
}

TEST_P(PollerBackendScripted, SlowAnswersArriveWithinTheTimeOutOnly) {
    agent_->var(unit_oid, "octets", "slow");
    agent_->var(sys_descr, "octets", "quick");
    agent_->fault(unit_oid, "delay 150");
    snmp_vb_t slow = vb(unit_oid);
    backend_->get(slow, options(1500, 0));
    EXPECT_EQ(slow.value, "slow");

    agent_->fault(unit_oid, "delay 400");
    EXPECT_EQ(error_of([&] { backend_->get(slow, options(90, 1)); }), failed("Request timeout"));
    // The late answers to the attempts given up are not taken for the
    // answer to the next request. The pauses are the scenario: the first
    // lets the next request begin while the late answers are still due
    // (they go 400 ms after each attempt), the second lets them all arrive.
    std::this_thread::sleep_for(200ms);
    snmp_vb_t quick = vb(sys_descr);
    backend_->get(quick, options(2000, 0));
    EXPECT_EQ(quick.value, "quick");
    std::this_thread::sleep_for(300ms);
    backend_->get(quick, options(2000, 0));
    EXPECT_EQ(quick.value, "quick");
}

// The session of an answered request may serve the next request to the
// same agent; each request still goes with its own time-out, retries and
// community.
TEST_P(PollerBackendScripted, EveryRequestGoesWithItsOwnTimingAndCommunity) {
    agent_->var(unit_oid, "integer", "1");
    agent_->var(sys_descr, "octets", "quick");
    snmp_vb_t quick = vb(sys_descr);
    backend_->get(quick, options(5000, 3));
    snmp_vb_t unit = vb(unit_oid);
    backend_->get(unit, options(5000, 3));
    EXPECT_EQ(unit.value, "1");

    agent_->fault(unit_oid, "silent");
    const long asked = agent_->count(unit_oid);
    const auto began = clock_type::now();
    EXPECT_EQ(error_of([&] { backend_->get(unit, options(90, 1)); }), failed("Request timeout"));
    EXPECT_LT(clock_type::now() - began, 1s);
    EXPECT_EQ(agent_->count(unit_oid) - asked, 2) << "one attempt and one retry";

    backend_->get(quick, options(5000, 3));
    auto stranger = options(90, 0);
    stranger.community = "public";
    EXPECT_EQ(error_of([&] { backend_->get(quick, stranger); }), failed("Request timeout"));
    quick.value.clear();
    backend_->get(quick, options(2000, 0));
    EXPECT_EQ(quick.value, "quick");
}

TEST_P(PollerBackendScripted, AbandonEndsTheWaitAtOnce) {
    agent_->var(unit_oid, "octets", "never");
    agent_->var(sys_descr, "octets", "after");
    agent_->fault(unit_oid, "silent");
    // Given up once the agent has the request: the wait is under way.
    std::thread stopper([this] {
        const auto until = clock_type::now() + 5s;
        while (agent_->count(unit_oid) == 0 && clock_type::now() < until)
            std::this_thread::sleep_for(5ms);
        abandon_.set();
    });
    snmp_vb_t request = vb(unit_oid);
    const auto began = clock_type::now();
    bool abandoned = false;
    try {
        backend_->get(request, options(10000, 3));
    } catch (const kestrin2::snmp_abandoned_t&) {
        abandoned = true;
    }
    stopper.join();
    EXPECT_TRUE(abandoned);
    EXPECT_LT(clock_type::now() - began, 2s);

    // The back end serves the next request normally.
    abandon_.reset_event();
    snmp_vb_t next = vb(sys_descr);
    backend_->get(next, options(2000, 0));
    EXPECT_EQ(next.value, "after");
}

// A temporary program folder for one test.
class program_folder_t {
public:
    program_folder_t() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "ostrel-home-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("no temporary folder");
        path_ = pattern;
        if (const char* old = std::getenv("OSTREL_HOME"))
            old_ = old;
        ::setenv("OSTREL_HOME", path_.c_str(), 1);
    }
    ~program_folder_t() {
        if (old_)
            ::setenv("OSTREL_HOME", old_->c_str(), 1);
        else
            ::unsetenv("OSTREL_HOME");
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string read(const std::string& name) const {
        std::ifstream in(path_ + "/" + name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::string path_;
    std::optional<std::string> old_;
};

TEST_P(PollerBackendScripted, NetSnmpDiagnosticsGoToTheSessionLogNotStandardError) {
    program_folder_t home;
    agent_->var(unit_oid, "integer", "7");
    // 0xAF is no PDU type: Net-SNMP drops the answer and says so.
    agent_->fault(unit_oid, "pdutype 175");
    snmp_vb_t request = vb(unit_oid);
    testing::internal::CaptureStderr();
    const std::string error = error_of([&] { backend_->get(request, options(150, 1)); });
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(error, failed("Request timeout")) << "the answer is not taken";
    EXPECT_EQ(printed, "") << "nothing on standard error";

    const std::string log = home.read("session.log");
    const std::regex line(R"(\d{4}/\d{1,2}/\d{1,2},\d{1,2}:\d{1,2}:\d{1,2}\.\d{1,3}: )"
                          R"(Net-SNMP: Bad PDU type received: 0xaf)");
    std::istringstream lines(log);
    int found = 0;
    for (std::string text; std::getline(lines, text);)
        found += std::regex_match(text, line) ? 1 : 0;
    EXPECT_EQ(found, 2) << "one line for each attempt's answer:\n" << log;

    // The back end is unharmed: the next answer is taken.
    agent_->fault(unit_oid, "none");
    backend_->get(request, options(2000, 0));
    EXPECT_EQ(request.value, "7");
}

INSTANTIATE_TEST_SUITE_P(Both, PollerBackendScripted, testing::Values(nt_case, pp_case), case_name);

} // namespace
