#pragma once
// The operator program put together in the test's own process, on the
// offscreen platform, run by its own event loop as main() runs it: its DSP
// documents' consoles talk to a simulated unit (snmpagent --unit) over
// libkestrin2.so, the discovery server and the network card are left out,
// and a device sheet's run state reaches its units through services that
// answer at once.
#include "ostrel/ostrel_program.h"

#include <QApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "comm/automation_wrappers.h"
#include "comm/command_sender.h"
#include "comm/online_devices.h"
#include "device_editor/ui/device_windows.h"
#include "dsp_editor/ui/dsp_windows.h"
#include "kestrin2_fixture.h"
#include "model/recording_messages.h"
#include "platform/gdi/qt_canvas.h"
#include "shell/sweeping_watch.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/message_boxes.h"
#include "tests/shell/ui/gui_app.h"
#include "tests/support/peers_required.h"
#include "tests/support/temp_dir.h"
#include "tools/snmpagent/peers.h"

namespace ostrel_test {

inline constexpr const char* kAmpMac = "00602b000021";
inline constexpr const char* kAmpIp = "192.168.1.21";

// What the sheet's run state reaches the units through: every unit answers
// at once. The status panes and notifications are the frame's own.
class CAnsweringServices final : public shell::IMainFrame {
public:
    explicit CAnsweringServices(shell::IMainFrame& frame) : m_frame(frame) {}
    int SendTextCommand(const std::string&, const std::string&, bool, std::string* reply) override {
        ++requests;
        if (reply != nullptr)
            *reply = "*OK#";
        return 1;
    }
    int SnmpGet(const std::string&, const std::string&, std::string& value) override {
        ++requests;
        value = "1048576";
        return 1;
    }
    int SnmpSet(const std::string&, const std::string&, const std::string&) override {
        ++requests;
        return 0;
    }
    int GetOnlineDeviceIp(const std::string& mac, std::string& ip) override {
        ip = comm::GetNetDeviceIP(mac);
        return ip.empty() ? 0 : 1;
    }
    std::string GetAdapterIp() override { return "192.168.1.10"; }
    void UpdateStatusPanes(int selector) override { m_frame.UpdateStatusPanes(selector); }
    shell::CStatusPanes& Status() override { return m_frame.Status(); }
    void SetRunState(bool on) override { m_frame.SetRunState(on); }
    int OnAppNotify(std::intptr_t wParam, int code) override {
        return m_frame.OnAppNotify(wParam, code);
    }

    std::atomic<int> requests{0};

private:
    shell::IMainFrame& m_frame;
};

class OstrelProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        {
            comm::Icom_manager poller;
            comm::Icom_adapter none;
            ASSERT_EQ(platform::automation::initialize(), platform::automation::S_OK);
            const bool made = comm::CreateNetComponents(nullptr, &poller, none, "") == 1;
            poller.Release();
            platform::automation::uninitialize();
            OSTREL_REQUIRE_PEER(made, "the poller of libkestrin2.so in the build's class registry");
        }
        unit = std::make_unique<snmp_peers::scripted_agent_t>("127.0.0.49", "vuzuvuz",
                                                              std::vector<std::string>{"--unit"});
        ASSERT_EQ(unit->command("unit latency 2"), "ok");
        ::setenv("OSTREL_HOME", home.path().c_str(), 1);
        std::ofstream(home.path() / "Ostrel.ini")
            << "[IPSeg]\nIPStart=192.168.1.1\nIPEnd=192.168.1.200\nStartVisible=0\n"
               "[AdapterSeg]\nAdapter=eth0\n[NetAttri]\nNetType=Wireless\n";
        model::SetUiThread(&uiThread);
        comm::COnlineDeviceList& online = comm::OnlineDevices();
        online.Clear();
        online.BeginSweep();
        online.MarkSeen(kAmpMac, kAmpIp);
        online.EndSweepKeepingUnseen();
    }
    void TearDown() override {
        comm::OnlineDevices().Clear();
        model::SetUiThread(nullptr);
        ::unsetenv("OSTREL_HOME");
        unit.reset();
    }

    // The program's own network start, but for the discovery server and the
    // card: the frame holds a real poller of libkestrin2.so, released at its
    // end like the program's.
    static shell::CStartupServices Services() {
        shell::CStartupServices services;
        services.makeComponents = [](comm::Imanager*, comm::Icom_manager* poller,
                                     comm::Icom_adapter& adapter, const std::string&) {
            return comm::CreateNetComponents(nullptr, poller, adapter, "");
        };
        services.makeWatch = [](comm::CWatchState& state, const std::string&) {
            return std::make_unique<shell::CSweepingWatch>(state);
        };
        return services;
    }

    // Runs the program as main() does, with `session` inside its event loop
    // once the start is done; the loop's result. The session ends the loop;
    // one cut short by a failed step still does (by an exit that asks no
    // window: one might refuse or ask to save).
    int RunProgram(const std::function<void(ostrel::COstrelProgram&)>& session) {
        int result = -1;
        {
            ostrel::COstrelProgram program(home.path(), Services());
            services = std::make_unique<CAnsweringServices>(program.Frame().Core());
            program.DeviceWindows().SetDeviceServices(services.get());
            const std::string target = unit->target();
            program.DspWindows().makeSenderComponents = [target] {
                return std::make_unique<comm::CFixedUnitComponents>(target);
            };
            if (!program.Start({})) {
                ADD_FAILURE() << "the program did not start";
                return -1;
            }
            bool done = false;
            QTimer::singleShot(0, [&] {
                session(program);
                done = true;
                if (HasFailure())
                    QCoreApplication::exit(1);
            });
            result = QApplication::exec();
            EXPECT_TRUE(done);
        }
        services.reset();
        return result;
    }

    k2test::registry_copy_t registry;
    test_support::CTempDir home{"ostrel-session"};
    model::CRecordingMessages messages;
    shell::ui::CQtUiThread uiThread;
    platform::gdi::QtTextMeasurer measurer;
    std::unique_ptr<snmp_peers::scripted_agent_t> unit;
    std::unique_ptr<CAnsweringServices> services;
};

} // namespace ostrel_test
