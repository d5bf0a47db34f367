// The IP-range dialog's card list from the real discovery server: mellick
// started by a private bus inside the hub namespace, whose only card is the
// hub's end of a veth pair with a known address.
#include "device_editor/discovery_cards.h"
#include "device_editor/set_ip_controller.h"

#include "mellick_fixture.h"
#include "netns_fixture.h"

#include "platform/automation/activation.h"
#include "platform/automation/dbus_transport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace pa = platform::automation;
using device_editor::CDiscoveryCards;
using device_editor::CSetIpController;
using namespace std::chrono_literals;

class SetIpNetns : public discovery_test::netns_fixture_t {
protected:
    void SetUp() override {
        netns_fixture_t::SetUp();
        if (IsSkipped())
            return;
        // Started from this thread, the bus and the server it starts live in
        // the hub with the card.
        env_ = std::make_unique<mellick_test::mellick_env_t>();
        ASSERT_TRUE(env_->registered());
        pa::use_dbus_transport();
        ASSERT_EQ(pa::initialize(), pa::S_OK);
        initialised_ = true;
    }
    void TearDown() override {
        if (initialised_)
            pa::uninitialize();
        env_.reset();
        netns_fixture_t::TearDown();
    }

    std::unique_ptr<mellick_test::mellick_env_t> env_;
    bool initialised_ = false;
};

TEST_F(SetIpNetns, TheChosenCardShowsTheAddressMellickGivesForIt) {
    const std::filesystem::path ini = env_->dir() / "Ostrel.ini";
    // A card stored by an earlier run that this machine no longer has.
    std::ofstream(ini) << "[AdapterSeg]\nAdapter=gone0\n";
    auto cards = CDiscoveryCards::Create();
    ASSERT_TRUE(cards) << "no discovery manager on the private bus";
    CSetIpController dlg(cards.get(), ini);

    // The server may still be reading the namespace's cards.
    const std::vector<std::string> expected = {link().hub_if};
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    for (;;) {
        dlg.Open(0xC6120001u, 0xC61200FEu);
        if (dlg.Cards() == expected || std::chrono::steady_clock::now() > deadline)
            break;
        std::this_thread::sleep_for(50ms);
    }
    ASSERT_EQ(dlg.Cards(), expected) << "the veth card is the hub's only card";
    EXPECT_EQ(dlg.SelectedCard(), -1) << "the stored card is not among them";
    EXPECT_EQ(dlg.CardAddress(), "");

    dlg.SelectCard(0);
    EXPECT_EQ(dlg.CardAddress(), link().hub_address);
    EXPECT_EQ(dlg.ToolTip(), link().hub_if);

    // Stored, the card is chosen again on the next opening.
    std::ofstream(ini) << "[AdapterSeg]\nAdapter=" << link().hub_if << "\n";
    CSetIpController again(cards.get(), ini);
    again.Open(0xC6120001u, 0xC61200FEu);
    EXPECT_EQ(again.SelectedCard(), 0);
    EXPECT_EQ(again.CardAddress(), link().hub_address);
}

} // namespace
