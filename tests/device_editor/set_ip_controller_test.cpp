// The network-settings dialogs without their widgets: the IP address
// field's value, the IP-range dialog's checks and the keys it writes, with
// the cards listed by the stand-in discovery server, and the network type.
#include "device_editor/discovery_cards.h"
#include "device_editor/set_ip_controller.h"

#include "fixture.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <fstream>
#include <string>
#include <vector>

#include "device_test_support.h"
#include "platform/profile/profile.h"
#include "resources/message_ids.h"

namespace {

namespace fs = std::filesystem;
using device_editor::CDiscoveryCards;
using device_editor::CIpAddressValue;
using device_editor::CSetIpController;

// --- the IP address field ------------------------------------------------------

TEST(IpAddressValue, BlankFieldsAreCountedAndTheValueHasTheFirstFieldHigh) {
    CIpAddressValue ip;
    EXPECT_EQ(ip.BlankCount(), 4);
    ip.SetField(0, "192");
    ip.SetField(1, "168");
    ip.SetField(3, "20");
    EXPECT_EQ(ip.BlankCount(), 1);
    EXPECT_FALSE(ip.IsComplete());
    EXPECT_EQ(ip.Value(), 0xC0A80014u) << "a blank field counts 0";
    ip.SetField(2, "1");
    EXPECT_TRUE(ip.IsComplete());
    EXPECT_EQ(ip.Value(), 0xC0A80114u);
    EXPECT_EQ(device_editor::DottedAddress(ip.Value()), "192.168.1.20");
    EXPECT_EQ(CIpAddressValue(0x0A000001u).Field(0), 10);
}

TEST(IpAddressValue, FieldText) {
    struct case_t {
        const char* text;
        std::optional<int> field;
    } cases[] = {
        {"0", 0},
        {"255", 255},
        {"256", 255},
        {"99999999999", 255},
        {"007", 7},
        {"", std::nullopt},
        {"1a", std::nullopt},
        {"-1", std::nullopt},
        {" 1", std::nullopt},
    };
    for (const case_t& c : cases) {
        CIpAddressValue ip;
        ip.SetField(2, c.text);
        EXPECT_EQ(ip.Field(2), c.field) << '"' << c.text << '"';
    }
}

// --- the IP-range dialog against the stand-in discovery server ---------------

class SetIp : public autotest::ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        ::setenv("COMM_STANDIN_TABLE", table().c_str(), 1);
        ::setenv("COMM_STANDIN_JOURNAL", (registry_.dir() / "journal").c_str(), 1);
        std::ofstream(table()) << "card eth0 10.0.0.1\ncard eth1 192.168.1.20\n";
        std::ofstream(ini()) << "[AdapterSeg]\nAdapter=eth1\n";
    }
    void TearDown() override {
        ::unsetenv("COMM_STANDIN_TABLE");
        ::unsetenv("COMM_STANDIN_JOURNAL");
        ServerFixture::TearDown();
    }
    fs::path table() const { return registry_.dir() / "table"; }
    fs::path ini() const { return home_.path() / "Ostrel.ini"; }
    std::string Key(const char* section, const char* key) const {
        return platform::profile::ini_file_t(ini()).read_string(section, key, "<none>");
    }
    static CIpAddressValue Ip(const char* dotted) {
        CIpAddressValue ip;
        std::string text(dotted);
        for (int i = 0; i < 4; ++i) {
            const std::size_t dot = text.find('.');
            ip.SetField(i, text.substr(0, dot));
            text = dot == std::string::npos ? "" : text.substr(dot + 1);
        }
        return ip;
    }
    static long LiveObjects() {
        void* lib = ::dlopen(STANDIN_SERVER_PATH, RTLD_NOW | RTLD_NOLOAD);
        if (!lib)
            return 0;
        auto count = reinterpret_cast<long (*)()>(::dlsym(lib, "standin_module_count"));
        const long n = count ? count() : -1;
        ::dlclose(lib);
        return n;
    }

    device_test::TempHome home_;
    device_test::RecordingSink sink_;
};

TEST_F(SetIp, OpeningListsTheCardsAndSelectsTheStoredOne) {
    auto cards = CDiscoveryCards::Create();
    ASSERT_TRUE(cards);
    CSetIpController dlg(cards.get(), ini());
    dlg.Open(0xC0A80101u, 0xC0A801FEu);
    EXPECT_EQ(dlg.Cards(), (std::vector<std::string>{"eth0", "eth1"}));
    EXPECT_EQ(dlg.SelectedCard(), 1);
    EXPECT_EQ(dlg.CardAddress(), "192.168.1.20");
    EXPECT_EQ(dlg.ToolTip(), "eth1");
    EXPECT_TRUE(dlg.StartVisible()) << "[IPSeg] StartVisible defaults to 1";
    EXPECT_EQ(dlg.Start().Value(), 0xC0A80101u);
    dlg.SelectCard(0);
    EXPECT_EQ(dlg.CardAddress(), "10.0.0.1");
    EXPECT_EQ(dlg.ToolTip(), "eth0");
    cards.reset();
    EXPECT_EQ(LiveObjects(), 0) << "the manager and every adapter object are released";
}

TEST_F(SetIp, TheOkChecksInOrder) {
    struct case_t {
        const char* name;
        const char *start, *end;
        int card;    // -1 none
        int message; // 0 accepted
    } cases[] = {
        {"WholeRange", "192.168.1.1", "192.168.1.254", 1, 0},
        {"StartEqualsEnd", "192.168.1.7", "192.168.1.7", 1, 0},
        {"StartBlank", "192.168..1", "192.168.1.254", 1, resources::kMsgStartIpWrong},
        {"EndBlank", "192.168.1.1", "192.168.1.", 1, resources::kMsgEndIpWrong},
        {"StartEnds0", "192.168.1.0", "192.168.1.254", 1, resources::kMsgStartIpLastField},
        {"EndEnds255", "192.168.1.1", "192.168.1.255", 1, resources::kMsgEndIpLastField},
        {"EndBelowStart", "192.168.1.9", "192.168.1.8", 1, resources::kMsgStartAboveEnd},
        {"NoCard", "192.168.1.1", "192.168.1.254", -1, resources::kMsgChooseCard},
        {"StartOnAnotherNet", "192.168.2.1", "192.168.2.254", 1, resources::kMsgStartNotOnCard},
        {"EndOnAnotherNet", "192.168.1.1", "192.168.2.254", 1, resources::kMsgEndNotOnCard},
    };
    auto cards = CDiscoveryCards::Create();
    ASSERT_TRUE(cards);
    for (const case_t& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(ini());
        sink_.shown.clear();
        CSetIpController dlg(cards.get(), ini());
        dlg.Open(0, 0);
        dlg.SelectCard(c.card);
        dlg.Start() = Ip(c.start);
        dlg.End() = Ip(c.end);
        const auto accepted = dlg.Accept();
        EXPECT_EQ(accepted.has_value(), c.message == 0);
        EXPECT_EQ(sink_.ShownIds(),
                  c.message == 0 ? std::vector<int>{} : std::vector<int>{c.message});
        if (accepted) {
            EXPECT_EQ(Key("IPSeg", "IPStart"), c.start);
            EXPECT_EQ(Key("IPSeg", "IPEnd"), c.end);
            EXPECT_EQ(Key("AdapterSeg", "Adapter"), "eth1");
            EXPECT_EQ(Key("IPSeg", "StartVisible"), "1");
            EXPECT_EQ(accepted->adapter, "eth1");
            EXPECT_EQ(accepted->start, Ip(c.start).Value());
        } else {
            EXPECT_FALSE(fs::exists(ini())) << "nothing written";
        }
    }
}

TEST_F(SetIp, AnUncheckedBoxWritesStartVisibleZero) {
    auto cards = CDiscoveryCards::Create();
    ASSERT_TRUE(cards);
    CSetIpController dlg(cards.get(), ini());
    dlg.Open(0xC0A80101u, 0xC0A801FEu);
    dlg.SetStartVisible(false);
    const auto accepted = dlg.Accept();
    ASSERT_TRUE(accepted);
    EXPECT_FALSE(accepted->startVisible);
    EXPECT_EQ(Key("IPSeg", "StartVisible"), "0");
}

TEST_F(SetIp, AFailingServerLeavesNoCardsAndOkStopsAtTheCardCheck) {
    std::ofstream(table()) << "card eth1 192.168.1.20\nfail mellick.adapter_get\n";
    auto cards = CDiscoveryCards::Create();
    ASSERT_TRUE(cards);
    CSetIpController dlg(cards.get(), ini());
    dlg.Open(0xC0A80101u, 0xC0A801FEu);
    EXPECT_EQ(dlg.CardAddress(), "") << "the card's address could not be read";
    EXPECT_FALSE(dlg.Accept());
    EXPECT_EQ(sink_.ShownIds(), std::vector<int>{resources::kMsgStartNotOnCard});
}

TEST(SetIpWithoutServer, NoManagerMeansNoCardsAndOkFailsAtTheCardCheck) {
    device_test::TempHome home;
    device_test::RecordingSink sink;
    autotest::temp_registry_t registry; // nothing registered
    ASSERT_EQ(platform::automation::initialize(), platform::automation::S_OK);
    EXPECT_FALSE(CDiscoveryCards::Create());
    CSetIpController dlg(nullptr, home.path() / "Ostrel.ini");
    dlg.Open(0xC0A80101u, 0xC0A801FEu);
    EXPECT_TRUE(dlg.Cards().empty());
    EXPECT_FALSE(dlg.Accept());
    EXPECT_EQ(sink.ShownIds(), std::vector<int>{resources::kMsgChooseCard});
    platform::automation::uninitialize();
}

TEST(NetType, IndexAndKeyText) {
    EXPECT_EQ(device_editor::NetTypeIndex("Normal"), 0);
    EXPECT_EQ(device_editor::NetTypeIndex("Wireless"), 1);
    EXPECT_EQ(device_editor::NetTypeIndex("normal"), 1) << "only the exact text is normal";
    EXPECT_EQ(device_editor::NetTypeText(0), "Normal");
    EXPECT_EQ(device_editor::NetTypeText(1), "Wireless");
}

} // namespace
