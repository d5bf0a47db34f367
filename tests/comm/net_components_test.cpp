// The automation clients and the SNMP operations against a stand-in for both
// servers that journals every call.
#include "comm/automation_wrappers.h"
#include "comm/snmp_mailbox.h"

#include "fixture.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace pa = platform::automation;
using namespace std::chrono_literals;
using comm::Icom_adapter;
using comm::Icom_manager;
using comm::Imanager;

using lines_t = std::vector<std::string>;

class CommClients : public autotest::ServerFixture {
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        ::setenv("COMM_STANDIN_JOURNAL", journal_path().c_str(), 1);
        ::setenv("COMM_STANDIN_TABLE", table_path().c_str(), 1);
        Table("card eth0 10.0.0.1\n");
    }
    void TearDown() override
    {
        ::unsetenv("COMM_STANDIN_JOURNAL");
        ::unsetenv("COMM_STANDIN_TABLE");
        ServerFixture::TearDown();
    }

    std::filesystem::path journal_path() const { return registry_.dir() / "journal"; }
    std::filesystem::path table_path() const { return registry_.dir() / "table"; }

    void Table(const std::string& text) const { std::ofstream(table_path()) << text; }

    lines_t Journal() const
    {
        lines_t out;
        std::ifstream in(journal_path());
        for (std::string line; std::getline(in, line);)
            out.push_back(line);
        return out;
    }

    // Objects of the stand-in still alive.
    static long LiveObjects()
    {
        void* lib = ::dlopen(STANDIN_SERVER_PATH, RTLD_NOW | RTLD_NOLOAD);
        if (!lib)
            return 0; // never loaded, or unloaded: nothing alive
        auto count = reinterpret_cast<long (*)()>(::dlsym(lib, "standin_module_count"));
        const long n = count ? count() : -1;
        ::dlclose(lib);
        return n;
    }

    std::vector<std::chrono::milliseconds> sleeps_;
    comm::Sleeper sleeper_ = [this](std::chrono::milliseconds d) { sleeps_.push_back(d); };
};

TEST_F(CommClients, CreatingBothManagersStartsTheAdapterAndSetsThePollerInOrder)
{
    Imanager discovery;
    Icom_manager poller;
    Icom_adapter adapter;
    ASSERT_EQ(comm::CreateNetComponents(&discovery, &poller, adapter, "eth0", sleeper_), 1);
    EXPECT_EQ(Journal(), (lines_t{"mellick.create", "mellick.adapter_get eth0", "adapter.start eth0",
                                  "kestrin2.create", "kestrin2.num_threads 30",
                                  "kestrin2.poll_period 100", "kestrin2.retry_count 0",
                                  "kestrin2.timeout 100", "kestrin2.start"}));
    EXPECT_EQ(sleeps_, (std::vector<std::chrono::milliseconds>{300ms}));
    EXPECT_EQ(adapter.ip(), "10.0.0.1");
    EXPECT_FALSE(poller.IsNull());
}

TEST_F(CommClients, EachSideCanBeCreatedAlone)
{
    {
        Icom_manager poller;
        Icom_adapter adapter;
        ASSERT_EQ(comm::CreateNetComponents(nullptr, &poller, adapter, "eth0", sleeper_), 1);
        EXPECT_TRUE(sleeps_.empty()) << "no discovery side, no wait for it";
        EXPECT_TRUE(adapter.IsNull());
        EXPECT_EQ(Journal().front(), "kestrin2.create");
    }
    std::filesystem::remove(journal_path());
    Imanager discovery;
    Icom_adapter adapter;
    ASSERT_EQ(comm::CreateNetComponents(&discovery, nullptr, adapter, "eth0", sleeper_), 1);
    EXPECT_EQ(Journal(), (lines_t{"mellick.create", "mellick.adapter_get eth0", "adapter.start eth0"}));
}

TEST_F(CommClients, AnyFailureWhileCreatingGivesZeroAndReleasesWhatWasMade)
{
    for (const char* member : {"mellick.adapter_get", "adapter.start", "kestrin2.num_threads",
                               "kestrin2.timeout", "kestrin2.start"}) {
        SCOPED_TRACE(member);
        Table(std::string("card eth0 10.0.0.1\nfail ") + member + "\n");
        Imanager discovery;
        Icom_manager poller;
        Icom_adapter adapter;
        EXPECT_EQ(comm::CreateNetComponents(&discovery, &poller, adapter, "eth0", sleeper_), 0);
        EXPECT_TRUE(discovery.IsNull());
        EXPECT_TRUE(poller.IsNull());
        EXPECT_TRUE(adapter.IsNull());
        EXPECT_EQ(LiveObjects(), 0);
    }
    // A manager that cannot be created at all.
    ASSERT_EQ(pa::unregister_library(STANDIN_SERVER_PATH), pa::S_OK);
    Icom_manager poller;
    Icom_adapter adapter;
    EXPECT_EQ(comm::CreateNetComponents(nullptr, &poller, adapter, "eth0", sleeper_), 0);
    EXPECT_TRUE(poller.IsNull());
}

TEST_F(CommClients, DiscoveryWrappersWalkCardsAndDevices)
{
    Table("card eth0 10.0.0.1\ncard eth1 192.168.1.2\n"
          "device 0060a1000001 10.0.0.20\ndevice 0060a1000002 10.0.0.21\n");
    Imanager discovery;
    Icom_adapter adapter;
    ASSERT_EQ(comm::CreateNetComponents(&discovery, nullptr, adapter, "eth1", sleeper_), 1);
    const auto cards = discovery.adapters();
    ASSERT_EQ(cards.length(), 2);
    EXPECT_EQ(cards.at(1), "eth1");
    EXPECT_EQ(adapter.ip(), "192.168.1.2");

    std::vector<std::string> seen;
    for (auto d = adapter.device_first(); d.valid(); d = adapter.device_next(d))
        seen.push_back(d.mac() + "=" + d.ip());
    EXPECT_EQ(seen, (std::vector<std::string>{"0060a1000001=10.0.0.20", "0060a1000002=10.0.0.21"}));

    EXPECT_EQ(adapter.device_get("0060a1000009").valid(), 0) << "an unknown MAC is no failure";
    auto device = adapter.device_get("0060a1000002");
    device.set_ip("10.0.0.99");
    EXPECT_EQ(Journal().back(), "device.ip= 0060a1000002 10.0.0.99");

    // A failing member reaches the caller as an automation error.
    Table("fail adapter.device_get\n");
    EXPECT_THROW(adapter.device_get("0060a1000001"), pa::automation_error);
}

// The retry rule: up to three tries, a 30 ms sleep after every failed one.
TEST_F(CommClients, GetAndSetTryThreeTimesAndSleepAfterEachFailure)
{
    struct row_t {
        int invalid;
        bool ok;
        std::size_t sleeps;
    };
    for (const row_t row : {row_t{0, true, 0}, row_t{2, true, 2}, row_t{3, false, 3}}) {
        for (const bool is_get : {true, false}) {
            SCOPED_TRACE(std::to_string(row.invalid) + (is_get ? " invalid gets" : " invalid sets"));
            Table("invalid " + std::to_string(row.invalid) + "\nvalue 1.3.6.1.2.1.1.4.0 *OK#\n");
            Icom_manager poller;
            Icom_adapter none;
            ASSERT_EQ(comm::CreateNetComponents(nullptr, &poller, none, "", sleeper_), 1);
            std::filesystem::remove(journal_path());
            sleeps_.clear();

            std::string value = "untouched";
            const bool ok = is_get ? comm::SnmpGetValue(poller, "10.0.0.5", comm::kSysContactOid,
                                                        value, sleeper_)
                                   : comm::SnmpSetValue(poller, "10.0.0.5",
                                                        comm::kSerialPriorityOid, "165", sleeper_);
            EXPECT_EQ(ok, row.ok);
            EXPECT_EQ(sleeps_, std::vector<std::chrono::milliseconds>(row.sleeps, 30ms));
            EXPECT_EQ(Journal().size(), std::min<std::size_t>(row.invalid + 1, 3));
            if (is_get)
                EXPECT_EQ(value, row.ok ? "*OK#" : "untouched");
            else
                EXPECT_EQ(Journal().back(),
                          "kestrin2.set 10.0.0.5 1.3.6.1.4.1.2680.1.1.10.1.5.0 165");
        }
    }
}

TEST(CommMailbox, RepliesAreFramedByStarAndHash)
{
    struct row_t {
        const char* text;
        bool reply;
    };
    for (const row_t row : {row_t{"", false}, row_t{"*", false}, row_t{"*#", true},
                            row_t{"*GETNMss#", true}, row_t{"GETNMss#", false},
                            row_t{"*OK", false}, row_t{"#", false}}) {
        EXPECT_EQ(comm::IsCommandReply(row.text), row.reply) << row.text;
    }
}

} // namespace
