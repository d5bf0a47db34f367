// unitsend: text commands to a DSP unit from the command line, through the
// program's own senders: each as a one-shot, or all through a console's
// queued sender. Uses libkestrin2.so from the class registry.
#include "comm/command_sender.h"
#include "comm/dsp_console.h"
#include "comm/snmp_mailbox.h"
#include "comm/text_command.h"
#include "platform/automation/activation.h"
#include "platform/automation/driver.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

const char* const kUsage =
    "usage: unitsend --ip ADDR[/PORT] [--queued] TEXT...\n"
    "\n"
    "Sends each TEXT to the DSP unit at ADDR (SNMP port 161 unless /PORT is\n"
    "given) and prints \"<command>\\t<reply>\" for each.\n"
    "  (default)   each text as a one-shot command \"*TEXT#\", waiting for its reply\n"
    "              (at most 4 s each)\n"
    "  --queued    all texts through a command console's queue and its sender, as a\n"
    "              DSP view sends them (the console adds the maker prefix)\n"
    "Exit status: 0 when every command got a framed reply (\"*...#\"), 1 when a\n"
    "send failed or the sender gave up (why, on standard error), 2 for bad\n"
    "arguments or no poller.\n"
    "The poller (kestrin2.com_manager.1) must be registered in the class registry\n"
    "(make run does it; see README).\n";

// The DSP view of the queued mode: always live; a give-up ends the run.
class CToolView final : public comm::ISenderOwner {
public:
    comm::CSenderFlags& Flags() override { return m_flags; }
    // The unit is named by its address; the sender only checks the length.
    std::string UnitMac() const override { return "000000000000"; }
    void OpenProgress() override {}
    void SetProgressTotal(int) override {}
    void SetProgressPos(int) override {}
    void CloseProgress() override {}
    void Redraw() override {}
    void RestoreArrowCursor() override {}
    void TemplateReply(std::string) override {}
    void MeterReply(std::string) override {}
    void NotifyDspStop() override
    {
        m_flags.live = 0;
        m_flags.stopRequest = 1;
        stopped = true;
    }
    std::atomic<bool> stopped{false};

private:
    comm::CSenderFlags m_flags;
};

// The results' stream. The poller writes its threads' traces to the host's
// standard output, so main() hands that stream over to standard error and
// keeps the original one for the results alone.
FILE* g_results = stdout;

void PrintResult(const std::string& command, const std::string& reply)
{
    const std::string line = command + '\t' + reply + '\n';
    std::fwrite(line.data(), 1, line.size(), g_results);
    std::fflush(g_results);
}

void ReportFailure(const std::string& ip, const std::string& command, const std::string& why)
{
    std::cerr << "unitsend: " << ip << ": " << command << ": " << why << '\n';
}

int SendQueued(const std::string& ip, const std::vector<std::string>& texts)
{
    CToolView view;
    comm::CDSPDlgShowCMD console;
    for (const std::string& text : texts)
        console.SendText(text, false);
    view.Flags().live = 1;
    console.StartSender(view, std::make_unique<comm::CFixedUnitComponents>(ip));
    // Every reply filed, an empty or unframed one too: the sender has
    // nothing more to wait for.
    const auto answered = [&] {
        const auto rows = console.Rows(comm::EConsoleQueue::Control);
        return std::all_of(rows.begin(), rows.end(),
                           [](const comm::ConsoleRow& row) { return row.answered; });
    };
    // The sender gives up on its own well within this; the limit only
    // keeps a tool run from hanging on something unforeseen.
    const auto deadline = std::chrono::steady_clock::now() + 10s + 5s * texts.size();
    while (!answered() && !view.stopped && console.SenderExitCode() == 0 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    console.StopSender();
    int status = 0;
    for (const comm::ConsoleRow& row : console.Rows(comm::EConsoleQueue::Control)) {
        PrintResult(row.command, row.reply);
        if (comm::IsCommandReply(row.reply))
            continue;
        status = 1;
        ReportFailure(ip, row.command,
                      row.answered ? "unframed reply \"" + row.reply + "\""
                                   : std::string("no reply (the sender gave up or was stopped)"));
    }
    return status;
}

int SendOneShots(const std::string& ip, const std::vector<std::string>& texts)
{
    comm::Icom_manager poller;
    comm::Icom_adapter none;
    if (!comm::CreateNetComponents(nullptr, &poller, none, {})) {
        std::cerr << "unitsend: cannot create the poller (" << comm::kPollerProgId
                  << "); is it registered?\n";
        return 2;
    }
    int status = 0;
    for (const std::string& text : texts) {
        std::string reply;
        comm::ETextFailure why = comm::ETextFailure::None;
        const int sent =
            comm::SendTextCommand(poller, ip, text, true, &reply, comm::RealSleep, &why);
        const std::string command = '*' + text + '#';
        PrintResult(command, reply);
        if (!sent) {
            status = 1;
            ReportFailure(ip, command, comm::TextFailureText(why));
        }
    }
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    std::string ip;
    bool queued = false;
    std::vector<std::string> texts;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--queued") {
            queued = true;
        } else if (arg == "--ip" && i + 1 < argc) {
            ip = argv[++i];
        } else if (arg.rfind("--", 0) == 0) {
            std::cerr << "unitsend: unknown option " << arg << "\n" << kUsage;
            return 2;
        } else {
            texts.push_back(arg);
        }
    }
    if (ip.empty() || texts.empty()) {
        std::cerr << "unitsend: --ip and at least one TEXT are needed\n" << kUsage;
        return 2;
    }
    const int results = ::dup(STDOUT_FILENO);
    FILE* out = results >= 0 ? ::fdopen(results, "w") : nullptr;
    if (!out || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        std::cerr << "unitsend: cannot keep standard output for the results\n";
        return 2;
    }
    g_results = out;
    const platform::automation::initializer_t automation;
    if (automation.hr() < 0) {
        std::cerr << "unitsend: the automation layer cannot start (no class registry)\n";
        return 2;
    }
    try {
        return queued ? SendQueued(ip, texts) : SendOneShots(ip, texts);
    } catch (const platform::automation::automation_error& error) {
        std::cerr << "unitsend: " << error.source() << ": " << error.description() << '\n';
        return 1;
    }
}
