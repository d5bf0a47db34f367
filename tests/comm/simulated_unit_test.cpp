// The simulated unit (snmpagent --unit) driven as the program drives a
// unit's mailbox, but with Net-SNMP's own snmpget and snmpset.
#include "kestrin2_fixture.h"
#include "tools/snmpagent/peers.h"

#include "tests/support/peers_required.h"
#include "tests/support/temp_dir.h"
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr const char* kSP = "1.3.6.1.4.1.2680.1.1.10.1.5.0";
constexpr const char* kContact = "1.3.6.1.2.1.1.4.0";

struct snmp_result_t {
    bool ok = false;
    std::string value;
};

class CommSimulatedUnit : public testing::Test {
protected:
    void Start(std::vector<std::string> options = {"--unit"})
    {
        OSTREL_REQUIRE_PEER(k2test::snmpset_available(), "snmpset");
        unit_ = std::make_unique<snmp_peers::scripted_agent_t>("127.0.0.43", "vuzuvuz", options);
        Script("unit latency 5");
    }

    void Script(const std::string& line) { ASSERT_EQ(unit_->command(line), "ok") << line; }

    snmp_result_t Run(const std::string& tool, std::vector<std::string> tail) const
    {
        std::vector<std::string> argv{"/usr/bin/env", "MIBS=", "MIBDIRS=/nonexistent",
                                      "SNMPCONFPATH=/nonexistent", tool, "-v1", "-c", "vuzuvuz",
                                      "-r", "0", "-t", "2", "-On", "-Oqv", "-Le",
                                      unit_->address() + ":" + std::to_string(unit_->port())};
        argv.insert(argv.end(), tail.begin(), tail.end());
        const auto r = k2test::run_program(argv, "");
        snmp_result_t out{r.status == 0, r.out};
        while (!out.value.empty() && (out.value.back() == '\n' || out.value.back() == '\r'))
            out.value.pop_back();
        if (out.value.size() >= 2 && out.value.front() == '"' && out.value.back() == '"')
            out.value = out.value.substr(1, out.value.size() - 2);
        return out;
    }
    snmp_result_t Get(const char* oid) const { return Run("/usr/bin/snmpget", {oid}); }
    bool Set(const char* oid, const std::string& value, char type = 's') const
    {
        return Run("/usr/bin/snmpset", {oid, std::string(1, type), value}).ok;
    }

    // The program's post: claim, command, posted; then the register once it
    // moves off "165" (or "165" after a while).
    std::string Post(const std::string& command, char type = 's')
    {
        EXPECT_TRUE(Set(kSP, "247", type));
        EXPECT_TRUE(Set(kContact, command));
        EXPECT_TRUE(Set(kSP, "165", type));
        const auto end = std::chrono::steady_clock::now() + 2s;
        std::string sp;
        do {
            sp = Get(kSP).value;
            if (sp != "165")
                break;
            std::this_thread::sleep_for(10ms);
        } while (std::chrono::steady_clock::now() < end);
        return sp;
    }

    std::vector<std::string> Journal() const
    {
        const test_support::CTempDir folder("unit-journal");
        const std::string file = (folder.path() / "journal").string();
        EXPECT_EQ(unit_->command("unit journal " + file).rfind("count ", 0), 0u);
        std::vector<std::string> lines;
        std::ifstream in(file);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    std::unique_ptr<snmp_peers::scripted_agent_t> unit_;
};

TEST_F(CommSimulatedUnit, AWholeHandshakeAndItsJournal)
{
    Start();
    EXPECT_EQ(Get(kSP).value, "0");
    EXPECT_EQ(Post("*NyRUN#"), "90");
    EXPECT_EQ(Get(kContact).value, "*NyRUN#") << "any other command is echoed";
    EXPECT_TRUE(Set(kSP, "0"));
    EXPECT_EQ(Journal(), (std::vector<std::string>{
                             "set SerialPriority 247", "set SysContact *NyRUN#",
                             "set SerialPriority 165", "command *NyRUN# -> *NyRUN#",
                             "set SerialPriority 0"}));
}

TEST_F(CommSimulatedUnit, RepliesAndMisbehaviourByKnob)
{
    struct row_t {
        const char* what;
        std::vector<std::string> script;
        const char* command;
        const char* sp;
        const char* reply;
    };
    const row_t rows[] = {
        {"reply table", {"unit reply *NyFIRMW *OK#"}, "*NyFIRMW#", "90", "*OK#"},
        {"get", {"unit get 3 701 = -12.5"}, "*NyGET 3 701#", "90", "*-12.5#"},
        {"get of a channel", {"unit get 3 702 2 = 7"}, "*NyGET 3 702 2#", "90", "*7#"},
        {"names by default", {}, "*GETNM03#", "90", "GETNM03STRUCT03    PARAM03     #"},
        {"names with a star", {"unit getnm star", "unit names 2 Hall Evening"}, "*GETNM02#", "90",
         "*GETNM02Hall        Evening     #"},
        {"port levels", {"unit getpo 1010"}, "*NyGETPO#", "90", "*GETPO=1010#"},
        {"analogue samples", {"unit getav0 0001 0002 0003 0004 0005 0006 0007 0008"},
         "*NyGETAV0#", "90", "*GETAV0 0001 0002 0003 0004 0005 0006 0007 0008#"},
        {"no star", {"unit malformed nostar"}, "*NyRUN#", "90", "NyRUN#"},
        {"no hash", {"unit malformed nohash"}, "*NyRUN#", "90", "*NyRUN"},
        {"empty", {"unit malformed empty"}, "*NyRUN#", "90", ""},
        {"ask again", {"unit askagain"}, "*NyRUN#", "247", "*NyRUN#"},
        {"no reply", {"unit noreply"}, "*NyRUN#", "165", "*NyRUN#"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Start();
        for (const auto& line : row.script)
            Script(line);
        EXPECT_EQ(Post(row.command), row.sp);
        EXPECT_EQ(Get(kContact).value, row.reply);
    }
    EXPECT_EQ(std::string(rows[6].reply).size(), 48u);
}

TEST_F(CommSimulatedUnit, BusyAnswersAndStepFaults)
{
    Start();
    Script("unit busy 2");
    Script("unit latency 0");
    ASSERT_TRUE(Set(kSP, "247"));
    ASSERT_TRUE(Set(kContact, "*NyRUN#"));
    ASSERT_TRUE(Set(kSP, "165"));
    EXPECT_EQ(Get(kSP).value, "127");
    EXPECT_EQ(Get(kSP).value, "127");
    const auto end = std::chrono::steady_clock::now() + 2s;
    std::string sp;
    while ((sp = Get(kSP).value) != "90" && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(sp, "90");
    Script("unit busy 0");

    // Each step of the handshake fails alone.
    Script("unit fail write 247 1");
    EXPECT_FALSE(Set(kSP, "247"));
    EXPECT_TRUE(Set(kSP, "247"));
    Script("unit fail command 1");
    EXPECT_FALSE(Set(kContact, "*NyRUN#"));
    EXPECT_TRUE(Set(kContact, "*NyRUN#"));
    Script("unit fail write 165 2");
    EXPECT_FALSE(Set(kSP, "165"));
    EXPECT_FALSE(Set(kSP, "165"));
    EXPECT_TRUE(Set(kSP, "0"));
    Script("unit fail read 1");
    EXPECT_FALSE(Get(kContact).ok);
    EXPECT_TRUE(Get(kContact).ok);
    EXPECT_TRUE(Get(kSP).ok) << "reads of the register are not the reply's";
    EXPECT_THROW(unit_->command("unit fail sideways"), std::runtime_error);
}

TEST_F(CommSimulatedUnit, AnIntegerRegisterAndTheAgentsOwnCommands)
{
    Start({"--unit", "--integer-register"});
    EXPECT_EQ(Get(kSP).value, "0");
    EXPECT_FALSE(Set(kSP, "165", 's')) << "an OCTET STRING for an INTEGER is badValue";
    EXPECT_EQ(Post("*NyRUN#", 'i'), "90");
    EXPECT_EQ(Get(kContact).value, "*NyRUN#");

    // The agent's var and fault commands still reach both variables.
    unit_->var(kSP, "octets", " 90");
    EXPECT_EQ(Get(kSP).value, " 90");
    unit_->fault(kContact, "generr");
    EXPECT_FALSE(Get(kContact).ok);
}

} // namespace
