#include "device_editor/run_state.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

#include "device_editor/zo_device_doc.h"
#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/device_qovg.h"
#include "model/messages.h"
#include "platform/app_paths/app_paths.h"
#include "platform/sound/alarm_player.h"
#include "platform/text/format.h"
#include "resources/message_ids.h"

namespace device_editor {

namespace {

using namespace std::chrono_literals;

constexpr std::string_view kOkReply = "*OK#";
constexpr std::string_view kMonitoredMacHead = "00602b";
constexpr std::array<int, 3> kMonitoredInputs = {5, 6, 7};

bool IsDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::string LastFour(std::string_view mac) {
    return std::string(mac.size() > 4 ? mac.substr(mac.size() - 4) : mac);
}

bool IsMonitoredMac(std::string_view mac) {
    return mac.size() == model::kMacTextLength &&
           Lower(mac.substr(0, kMonitoredMacHead.size())) == kMonitoredMacHead;
}

bool TakesGainCommands(const model::CBaseDevice& device) {
    const std::int32_t m = device.m_typeCode;
    return (device.m_subType == 1 || device.m_subType == 3) &&
           (m == 3 || m == 4 || m == 5 || m == 7 || m == 8 || m == 9);
}

// A sample alarms only once it was read (unknown samples are -1).
bool Alarms(const model::CDeviceQOVG& unit) {
    if (unit.m_flag == 0 || unit.m_globalAlarm == 0)
        return false;
    return std::any_of(kMonitoredInputs.begin(), kMonitoredInputs.end(), [&unit](int i) {
        const std::int32_t sample = unit.m_analogSamples[i];
        return unit.m_alarmOn[i] != 0 && sample >= 0 &&
               (sample < unit.m_alarmLower[i] || sample > unit.m_alarmUpper[i]);
    });
}

} // namespace

std::optional<int> GainValue(float dB) {
    if (!std::isfinite(dB))
        return std::nullopt;
    const double value = std::trunc(std::pow(10.0, static_cast<double>(dB) / 20.0) * 134217728.0);
    if (!(value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max()))
        return std::nullopt;
    return static_cast<int>(value);
}

float VolumeFromReading(long long value) {
    if (value <= 0)
        return -100.0f;
    return static_cast<float>(10.0 * std::log10(static_cast<double>(value) / 1048576.0) + 15.5);
}

bool ForgetReadings(model::CDeviceQOVG& unit) {
    const bool known = std::any_of(unit.m_analogSamples.begin(), unit.m_analogSamples.end(),
                                   [](std::int32_t sample) { return sample >= 0; }) ||
                       !std::isnan(unit.m_leftVolume) || !std::isnan(unit.m_rightVolume);
    unit.m_analogSamples.fill(-1);
    unit.m_leftVolume = unit.m_rightVolume = kUnknownVolume;
    return known;
}

bool ReadPortLevels(std::string_view reply, std::array<std::int32_t, 4>& ports) {
    if (reply.size() != 12 || reply.substr(0, 7) != "*GETPO=" || !IsDigits(reply.substr(7, 4)))
        return false;
    for (std::size_t i = 0; i < ports.size(); ++i)
        ports[i] = reply[7 + i] - '0';
    return true;
}

bool ReadAnalogSamples(std::string_view reply, std::array<std::int32_t, 8>& samples) {
    if (reply.size() != 48 || reply.substr(0, 7) != "*GETAV0")
        return false;
    std::array<std::int32_t, 8> read{};
    for (std::size_t i = 0; i < read.size(); ++i) {
        const std::string_view field = reply.substr(8 + 5 * i, 4);
        if (!IsDigits(field))
            return false;
        read[i] = std::atoi(std::string(field).c_str());
    }
    samples = read;
    return true;
}

std::optional<std::string> ChannelGainCommand(std::int32_t model, int index, int gainStep,
                                              bool phantomPower) {
    // A model-3 unit's first six inputs are its local ones; the gains are
    // those of the inputs after them, numbered from 1.
    int channel = index + 1;
    if (model == 3) {
        if (index < 6)
            return std::nullopt;
        channel = index - 5;
    }
    const int value = gainStep + (phantomPower ? 0x20 : 0);
    return platform::text::format("%s%02d%03d", "SETVO", channel, value);
}

std::optional<std::filesystem::path>
FindAlarmSound(const std::vector<std::filesystem::path>& folders) {
    for (const auto& folder : folders) {
        const auto file = platform::app_paths::FindNoCase(folder, "Alarm.wav");
        std::error_code ec;
        if (file && std::filesystem::is_regular_file(*file, ec))
            return file;
    }
    return std::nullopt;
}

bool SameSubnet(std::string_view a, std::string_view b) {
    return a.substr(0, a.rfind('.')) == b.substr(0, b.rfind('.'));
}

std::vector<std::string> BuildRouteCommands(const CZoDeviceDoc& doc,
                                            const model::CBaseDevice& device) {
    std::vector<std::string> texts(static_cast<std::size_t>(std::max(device.m_inputCount, 0)));
    for (int i = 0; i < device.m_inputCount && i < static_cast<int>(device.m_channels.size());
         ++i) {
        const model::CDeviceChnl* channel = model::AsDeviceChnl(device.m_channels[i]);
        if (channel == nullptr || channel->m_links.empty())
            continue;
        const model::CDeviceLink& link = *channel->m_links[0];
        const model::CBaseDevice* sender = doc.FindDevice(link.m_destModule, link.m_destSubType);
        if (sender == nullptr)
            continue;
        int bundle = 0;
        if (const auto* unit = dynamic_cast<const model::CDeviceNy*>(sender))
            bundle =
                link.m_destChannel < sender->m_inputCount + 8 ? unit->m_bundle1 : unit->m_bundle2;
        texts[i] = platform::text::format("*%s%s%s%02d%02d%d%d%d%02d%03d#", "ROUTE",
                                          LastFour(device.m_mac), LastFour(sender->m_mac),
                                          link.m_sourceChannel + 1,
                                          link.m_destChannel - sender->m_inputCount + 1, 1, 1, 0,
                                          link.m_sourceChannel + 1, bundle);
    }
    return texts;
}

// -- CDeviceRunState

CDeviceRunState::CDeviceRunState(CZoDeviceDoc& doc, IUnitPort& port, IRunStateView& view,
                                 platform::sound::IAlarmPlayer& player,
                                 std::vector<std::filesystem::path> alarmFolders, RunSleeper sleep)
    : m_doc(doc), m_port(port), m_view(view), m_player(player),
      m_alarmFolders(std::move(alarmFolders)), m_sleep(std::move(sleep)) {}

CDeviceRunState::~CDeviceRunState() {
    RequestStop();
    Join();
}

void CDeviceRunState::OnAppNotify(int code) {
    m_view.RefreshToolBars();
    if (code == kNotifyRunStateEntered) {
        // The poller starts in a running round the first time; it sets and
        // reads everything then, as after its idle rounds.
        RequestEverything();
        UpdateOnlineState(1);
        SendGainCommands();
        StartThreads();
        while (m_doc.GetSelectedCount() > 0) {
            const model::CBaseDevice* device = m_doc.GetSelected(0);
            m_doc.Unselect(device->m_id, device->m_subType);
        }
        while (m_doc.GetSelectedLinkCount() > 0)
            m_doc.UnselectLink(m_doc.GetSelectedLink(0)->m_id);
        m_view.UpdateAllViews();
        SendToDspDocuments(kNotifyDspStart);
    } else if (code == kNotifyRunStateLeft) {
        // Nothing reads the amplifiers any more: their dialogs stop showing
        // the last readings as if they were current.
        std::vector<std::pair<std::int32_t, std::int32_t>> forgotten;
        {
            auto lock = LockSheet();
            for (const auto& device : m_doc.Devices()) {
                device->m_flag = 0;
                auto* unit = dynamic_cast<model::CDeviceQOVG*>(device.get());
                if (unit != nullptr && ForgetReadings(*unit))
                    forgotten.emplace_back(unit->m_id, unit->m_subType);
            }
        }
        for (const auto& [id, subType] : forgotten)
            m_port.PostToStatusDialogs(id, subType, kNotifyStatusReadings);
        m_view.UpdateAllViews();
        SendToDspDocuments(kNotifyDspStop);
    }
}

void CDeviceRunState::UpdateOnlineState(int flag) {
    if (flag == 1)
        m_adapterIp = m_port.GetAdapterIp();
    ApplyOnlineMarks(flag);
}

bool CDeviceRunState::RefreshOnlineMarks() {
    return ApplyOnlineMarks(1);
}

bool CDeviceRunState::ApplyOnlineMarks(int flag) {
    bool changed = false;
    for (int i = m_doc.GetDeviceCount() - 1; i >= 0; --i) {
        model::CBaseDevice& device = *m_doc.GetDevice(i);
        int mark = flag;
        if (flag == 1) {
            mark = m_port.IsNetDeviceOnline(device.m_mac);
            if (mark != 0 && !SameSubnet(m_port.GetNetDeviceIP(device.m_mac), m_adapterIp))
                mark = 0;
        }
        auto lock = LockSheet();
        changed = changed || device.m_flag != mark;
        device.m_flag = mark;
    }
    return changed;
}

void CDeviceRunState::SendGainCommands() {
    m_port.AddOutputLine(model::FormatMessage(resources::kMsgGainsBegin));
    const std::string adapter = m_port.GetAdapterIp();
    int failed = 0;
    for (int d = m_doc.GetDeviceCount() - 1; d >= 0; --d) {
        model::CBaseDevice& device = *m_doc.GetDevice(d);
        std::string ip;
        if (!TakesGainCommands(device) || !m_port.GetOnlineDeviceIp(device.m_mac, ip))
            continue;
        m_port.AddOutputLine(
            model::FormatMessage(resources::kMsgUnitLine, device.m_name, device.m_mac));
        if (!SameSubnet(ip, adapter))
            continue;
        {
            auto lock = LockSheet();
            device.m_flag = 1;
        }
        for (int i = 0; i < device.m_inputCount && i < static_cast<int>(device.m_channels.size());
             ++i) {
            const model::CDeviceChnl* channel = model::AsDeviceChnl(device.m_channels[i]);
            if (channel == nullptr)
                continue;
            const auto command = ChannelGainCommand(device.m_typeCode, i, channel->m_gainStep,
                                                    channel->m_phantomPower != 0);
            if (!command)
                continue;
            std::string reply;
            const bool sent = m_port.SendTextCommand(ip, *command, reply);
            failed += sent ? 0 : 1;
            m_port.AddOutputLine(
                model::FormatMessage(sent ? resources::kMsgGainSet : resources::kMsgGainFailed,
                                     device.m_name, device.m_mac, i + 1, 6 * channel->m_gainStep));
        }
    }
    m_port.AddOutputLine(failed == 0 ? model::FormatMessage(resources::kMsgGainsDone)
                                     : model::FormatMessage(resources::kMsgGainsFailed, failed));
    m_port.AddOutputLine("");
}

void CDeviceRunState::SendToDspDocuments(int code) {
    for (const auto& device : m_doc.Devices()) {
        if (device->m_typeCode < 1 || device->m_typeCode > 3 ||
            device->m_mac.size() != model::kMacTextLength)
            continue;
        m_view.RecordDownloadView();
        if (code == kNotifyDspStart) {
            if (device->m_flag == 0)
                continue;
            switch (m_view.StartDspDocument(device->m_id, BuildRouteCommands(m_doc, *device))) {
            case EDspStart::Started:
                break;
            case EDspStart::KeptRunning:
                m_port.AddOutputLine(model::FormatMessage(resources::kMsgDspKeptRunning,
                                                          device->m_name, device->m_mac));
                break;
            case EDspStart::NotOpened:
                model::ShowMessage(resources::kMsgOpenFileFailed);
                break;
            }
        } else {
            m_view.StopDspDocument(device->m_mac);
        }
    }
    m_view.Activate();
}

// -- the threads

void CDeviceRunState::StartThreads() {
    if (m_poller.joinable())
        return;
    m_poller = std::thread([this] {
        while (!m_stop)
            PollRound();
    });
    m_alarm = std::thread([this] {
        while (!m_stop)
            AlarmRound();
    });
}

void CDeviceRunState::RequestStop() {
    {
        std::lock_guard lock(m_wakeLock);
        m_stop = true;
    }
    m_wake.notify_all();
}

void CDeviceRunState::Join() {
    if (m_poller.joinable())
        m_poller.join();
    if (m_alarm.joinable())
        m_alarm.join();
}

void CDeviceRunState::Sleep(std::chrono::milliseconds duration) {
    if (m_sleep) {
        m_sleep(duration);
        return;
    }
    std::unique_lock lock(m_wakeLock);
    m_wake.wait_for(lock, duration, [this] { return m_stop.load(); });
}

model::CDeviceQOVG* CDeviceRunState::FindOnlineAmplifier(const UnitKey& key) const {
    auto* unit = dynamic_cast<model::CDeviceQOVG*>(m_doc.FindDevice(key.id, key.subType));
    return unit != nullptr && unit->m_flag != 0 ? unit : nullptr;
}

void CDeviceRunState::RequestEverything() {
    auto lock = LockSheet();
    for (const auto& device : m_doc.Devices()) {
        auto* unit = dynamic_cast<model::CDeviceQOVG*>(device.get());
        if (unit != nullptr && unit->m_typeCode == model::kModelQOVG) {
            unit->m_queryRequests[0] = 1;
            unit->m_gainSetRequest = 1;
            unit->m_thirdRequest = 1;
        }
    }
}

void CDeviceRunState::PollRound() {
    std::vector<UnitKey> units;
    {
        auto lock = LockSheet();
        for (const auto& device : m_doc.Devices())
            if (device->m_typeCode == model::kModelQOVG)
                units.push_back({device->m_id, device->m_subType, device->m_name, device->m_mac});
    }
    if (!m_port.SheetRunning()) {
        // The first running round then sets and reads everything.
        RequestEverything();
        Sleep(1000ms);
        return;
    }
    for (const UnitKey& key : units) {
        if (m_stop)
            return;
        if (!IsMonitoredMac(key.mac))
            continue;
        const std::string ip =
            m_port.IsNetDeviceOnline(key.mac) != 0 ? m_port.GetNetDeviceIP(key.mac) : "";
        if (ip.empty() || ip == "0.0.0.0" || !m_port.InConfiguredRange(ip)) {
            LoseUnit(key);
            continue;
        }
        PollUnit(key, ip);
    }
    Sleep(100ms);
}

void CDeviceRunState::LoseUnit(const UnitKey& key) {
    {
        auto lock = LockSheet();
        auto* unit = dynamic_cast<model::CDeviceQOVG*>(m_doc.FindDevice(key.id, key.subType));
        if (unit == nullptr || !ForgetReadings(*unit))
            return;
    }
    m_port.PostToStatusDialogs(key.id, key.subType, kNotifyStatusReadings);
}

void CDeviceRunState::PollUnit(const UnitKey& key, const std::string& ip) {
    using Step = void (CDeviceRunState::*)(const UnitKey&, const std::string&);
    for (Step step :
         {&CDeviceRunState::StoreGains, &CDeviceRunState::SwitchSleep, &CDeviceRunState::SetGains,
          &CDeviceRunState::ReadSleepState,
          &CDeviceRunState::ReadSamples, &CDeviceRunState::ReadVolumes}) {
        if (m_stop)
            return;
        {
            auto lock = LockSheet();
            if (FindOnlineAmplifier(key) == nullptr)
                return;
        }
        (this->*step)(key, ip);
    }
}

void CDeviceRunState::Listed(const std::string& line) {
    m_port.AddOutputLine(line);
}

void CDeviceRunState::ListedAndLogged(const std::string& line) {
    m_port.AddOutputLine(line);
    m_port.WriteLog(line);
}

void CDeviceRunState::StoreGains(const UnitKey& key, const std::string& ip) {
    {
        auto lock = LockSheet();
        model::CDeviceQOVG* unit = FindOnlineAmplifier(key);
        if (unit == nullptr || unit->m_firmwareQueryRequest == 0)
            return;
    }
    const std::string_view model = model::ModelName(model::kModelQOVG);
    const std::string command = "FIRMW";
    std::string reply;
    if (!m_port.SendTextCommand(ip, command, reply))
        ListedAndLogged(model::FormatMessage(resources::kMsgStoreFailed, model, key.name, key.mac));
    else if (reply != kOkReply)
        m_port.WriteLog(model::FormatMessage(resources::kMsgWrongAnswer, model, key.name, key.mac,
                                             reply, command));
    else
        Listed(model::FormatMessage(resources::kMsgStored, model, key.name, key.mac));
    auto lock = LockSheet();
    if (model::CDeviceQOVG* unit = FindOnlineAmplifier(key))
        unit->m_firmwareQueryRequest = 0;
}

void CDeviceRunState::SwitchSleep(const UnitKey& key, const std::string& ip) {
    int newState = 0;
    {
        auto lock = LockSheet();
        model::CDeviceQOVG* unit = FindOnlineAmplifier(key);
        if (unit == nullptr || unit->m_outputToggleRequests[0] == 0)
            return;
        newState = unit->m_digitalOutputLevels[0] == 1 ? 0 : 1;
    }
    const std::string_view model = model::ModelName(model::kModelQOVG);
    const std::string command = platform::text::format("SETPT%d%d", 1, newState);
    std::string reply;
    const bool answered = m_port.SendTextCommand(ip, command, reply);
    if (!answered)
        ListedAndLogged(
            model::FormatMessage(resources::kMsgSetPortFailed, model, key.name, key.mac, 1));
    else if (reply != kOkReply)
        ListedAndLogged(model::FormatMessage(resources::kMsgWrongAnswer, model, key.name, key.mac,
                                             reply, command));
    auto lock = LockSheet();
    model::CDeviceQOVG* unit = FindOnlineAmplifier(key);
    if (unit == nullptr)
        return;
    if (answered && reply == kOkReply) {
        unit->m_digitalOutputLevels[0] = newState;
        unit->m_outputToggleRequests[0] = 0;
    }
    unit->m_queryRequests[0] = 1;
}

void CDeviceRunState::SetGains(const UnitKey& key, const std::string& ip) {
    float gains[2] = {};
    {
        auto lock = LockSheet();
        model::CDeviceQOVG* unit = FindOnlineAmplifier(key);
        if (unit == nullptr || unit->m_gainSetRequest == 0)
            return;
        gains[0] = unit->m_leftGain;
        gains[1] = unit->m_rightGain;
        unit->m_gainSetRequest = 0;
    }
    struct Side {
        const char* oid;
        int done;
        int failed;
    };
    const std::string_view model = model::ModelName(model::kModelQOVG);
    const Side sides[2] = {
        {kLeftGainOid, resources::kMsgLeftGainSet, resources::kMsgLeftGainFailed},
        {kRightGainOid, resources::kMsgRightGainSet, resources::kMsgRightGainFailed}};
    for (int s = 0; s < 2; ++s) {
        if (m_stop)
            return;
        // A gain whose value cannot be sent is reported like one the unit
        // refused.
        const auto value = GainValue(gains[s]);
        const bool set = value && m_port.SnmpSet(ip, sides[s].oid, std::to_string(*value)) == 0;
        if (set)
            Listed(model::FormatMessage(sides[s].done, model, key.name, key.mac, gains[s]));
        else
            ListedAndLogged(
                model::FormatMessage(sides[s].failed, model, key.name, key.mac, gains[s]));
    }
}

void CDeviceRunState::ReadSleepState(const UnitKey& key, const std::string& ip) {
    {
        auto lock = LockSheet();
        model::CDeviceQOVG* unit = FindOnlineAmplifier(key);
        if (unit == nullptr || unit->m_queryRequests[0] == 0)
            return;
    }
    std::string reply;
    const bool answered = m_port.SendTextCommand(ip, "GETPO", reply);
    if (!answered)
        ListedAndLogged(model::FormatMessage(
            resources::kMsgGetPortsFailed, model::ModelName(model::kModelQOVG), key.name, key.mac));
    {
        auto lock = LockSheet();
        model::CDeviceQOVG* unit = FindOnlineAmplifier(key);
        if (unit == nullptr)
            return;
        if (answered)
            ReadPortLevels(reply, unit->m_digitalOutputLevels);
        unit->m_queryRequests[0] = 0;
    }
    if (answered)
        m_port.PostToStatusDialogs(key.id, key.subType, kNotifyStatusSleep);
}

void CDeviceRunState::ReadSamples(const UnitKey& key, const std::string& ip) {
    std::string reply;
    const bool answered = m_port.SendTextCommand(ip, "GETAV0", reply);
    if (!answered)
        ListedAndLogged(model::FormatMessage(resources::kMsgGetSamplesFailed,
                                             model::ModelName(model::kModelQOVG), key.name,
                                             key.mac));
    auto lock = LockSheet();
    model::CDeviceQOVG* unit = FindOnlineAmplifier(key);
    if (unit == nullptr)
        return;
    // Without samples in the answer, the old ones are no longer what the
    // unit measures.
    if (!answered || !ReadAnalogSamples(reply, unit->m_analogSamples))
        unit->m_analogSamples.fill(-1);
}

void CDeviceRunState::ReadVolumes(const UnitKey& key, const std::string& ip) {
    const std::string_view model = model::ModelName(model::kModelQOVG);
    float volumes[2] = {kUnknownVolume, kUnknownVolume};
    const char* oids[2] = {kLeftVolumeOid, kRightVolumeOid};
    const int failures[2] = {resources::kMsgLeftVolumeFailed, resources::kMsgRightVolumeFailed};
    for (int s = 0; s < 2; ++s) {
        std::string value;
        if (m_port.SnmpGet(ip, oids[s], value) == 1)
            volumes[s] = VolumeFromReading(std::atoll(value.c_str()));
        else
            Listed(model::FormatMessage(failures[s], model, key.name, key.mac));
    }
    {
        auto lock = LockSheet();
        model::CDeviceQOVG* unit = FindOnlineAmplifier(key);
        if (unit == nullptr)
            return;
        unit->m_leftVolume = volumes[0];
        unit->m_rightVolume = volumes[1];
    }
    m_port.PostToStatusDialogs(key.id, key.subType, kNotifyStatusReadings);
}

void CDeviceRunState::AlarmRound() {
    if (!m_port.SheetRunning()) {
        Sleep(1000ms);
        if (m_stop)
            return;
    }
    bool alarm = false;
    {
        auto lock = LockSheet();
        for (int i = m_doc.GetDeviceCount() - 1; i >= 0 && !alarm; --i) {
            const auto* unit = dynamic_cast<const model::CDeviceQOVG*>(m_doc.GetDevice(i));
            alarm = unit != nullptr && unit->m_typeCode == model::kModelQOVG && Alarms(*unit);
        }
    }
    if (!alarm) {
        Sleep(1000ms);
        return;
    }
    PlayAlarmSound();
}

void CDeviceRunState::ReportAlarmFault(EAlarmFault fault, const std::string& line) {
    if (std::exchange(m_alarmFaultReported[fault], true))
        return;
    ListedAndLogged(line);
}

void CDeviceRunState::PlayAlarmSound() {
    using platform::sound::EAlarmFailure;
    const std::optional<std::filesystem::path> file = FindAlarmSound(m_alarmFolders);
    if (!file) {
        std::string folders;
        for (const auto& folder : m_alarmFolders)
            folders += (folders.empty() ? "" : "; ") + folder.string();
        ReportAlarmFault(kAlarmNotFound,
                         model::FormatMessage(resources::kMsgAlarmNotFound, folders));
        Sleep(1000ms);
        return;
    }
    if (!m_player.Open(*file)) {
        if (m_player.Failure() == EAlarmFailure::Output)
            ReportAlarmFault(kAlarmOutput, model::FormatMessage(resources::kMsgAlarmOutputFailed,
                                                                m_player.ErrorText()));
        else
            ReportAlarmFault(kAlarmFile,
                             model::FormatMessage(resources::kMsgAlarmOpenFailed, file->string(),
                                                  m_player.ErrorText()));
        Sleep(1000ms);
        return;
    }
    if (m_player.Play()) {
        // Heard: a later failure is news again.
        m_alarmFaultReported.fill(false);
        Sleep(500ms);
    } else {
        ReportAlarmFault(kAlarmPlay, model::FormatMessage(resources::kMsgAlarmPlayFailed,
                                                          file->string(), m_player.ErrorText()));
    }
    m_player.Close();
    Sleep(1000ms);
}

} // namespace device_editor
