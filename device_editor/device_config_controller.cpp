#include "device_editor/device_config_controller.h"

#include <utility>

#include "model/messages.h"
#include "platform/text/ascii.h"
#include "platform/text/format.h"
#include "resources/message_ids.h"
#include "resources/string_table.h"

namespace device_editor {

namespace {

using model::EMessageAnswer;
using model::EMessageButtons;

std::string ChangedUnitText(const std::string& macDigits) {
    return "00602B" + macDigits;
}

} // namespace

CDeviceConfigController::CDeviceConfigController(std::filesystem::path programFolder,
                                                 IHardwareConfigFrame& frame)
    : m_file(std::move(programFolder)), m_frame(frame) {}

bool CDeviceConfigController::Open() {
    if (!CreateDirectoryPath(m_file.Folder()))
        return false;
    for (const StoredUnit& unit : m_file.List()) {
        m_units.push_back({unit.MacDigits(), unit.model, unit.serial});
        if (m_units.size() == 1)
            ShowUnit(m_units.front().macDigits, m_units.front().model);
    }
    return true;
}

int CDeviceConfigController::CurrentRow() const {
    for (std::size_t i = 0; i < m_units.size(); ++i)
        if (!m_currentMac.empty() &&
            platform::text::equals_no_case(m_units[i].macDigits, m_currentMac))
            return static_cast<int>(i);
    return -1;
}

std::string CDeviceConfigController::ChannelLabel(const UnitChannelRow& row) {
    return platform::text::format(row.output ? "Out %d" : "In %d", row.number);
}

std::string CDeviceConfigController::ChannelFrameCaption() const {
    std::string caption(resources::LoadString(resources::kStrChannelFrame));
    if (!m_currentMac.empty())
        caption += "(" + m_currentMac + ")";
    return caption;
}

std::vector<std::string> CDeviceConfigController::TypeChoices(bool output) {
    if (output)
        return {"Line", "AES/EBU"};
    return {"Line", "Mic", "AES/EBU"};
}

void CDeviceConfigController::EditChannel(int row, std::string_view type, bool inUse) {
    UnitChannelRow& channel = m_channels.at(static_cast<std::size_t>(row));
    channel.type = std::string(type);
    channel.inUse = inUse;
    m_modified = true;
}

void CDeviceConfigController::ShowUnit(const std::string& macDigits, const std::string& model) {
    if (m_modified && model::Ask(resources::kMsgAskSaveChannels, EMessageButtons::YesNo,
                                 EMessageAnswer::Yes, m_currentMac) == EMessageAnswer::Yes)
        SubmitChannels();
    m_currentMac = macDigits;
    m_currentModel = model;
    m_modified = false;
    m_channels = m_file.ReadChannels(macDigits, model);
}

void CDeviceConfigController::ClearCurrent() {
    m_currentMac.clear();
    m_currentModel.clear();
    m_channels.clear();
    m_modified = false;
}

void CDeviceConfigController::SelectUnit(int row) {
    if (row < 0 || row >= static_cast<int>(m_units.size()))
        return;
    const UnitRow& unit = m_units[static_cast<std::size_t>(row)];
    if (!platform::text::equals_no_case(unit.macDigits, m_currentMac))
        ShowUnit(unit.macDigits, unit.model);
}

bool CDeviceConfigController::SubmitChannels() {
    if (!m_file.SubmitChannels(m_currentMac, m_channels)) {
        model::ShowMessage(resources::kMsgSubmitFailed, m_currentMac);
        return false;
    }
    m_frame.SetChangedUnit(ChangedUnitText(m_currentMac));
    m_frame.Notify(kNotifyReloadUnitConfig);
    return true;
}

void CDeviceConfigController::Submit() {
    if (SubmitChannels())
        m_modified = false;
}

void CDeviceConfigController::Add(const std::optional<NewUnit>& unit) {
    if (!unit)
        return;
    for (const UnitRow& row : m_units) {
        if ((LowerCase(row.model) == LowerCase(unit->modelName) &&
             LowerCase(row.serial) == LowerCase(unit->serial)) ||
            LowerCase(row.macDigits) == LowerCase(unit->macDigits)) {
            model::ShowMessage(resources::kMsgUnitExists);
            return;
        }
    }
    m_units.push_back({LowerCase(unit->macDigits), unit->modelName, unit->serial});
    if (!m_file.Add(unit->modelName, unit->serial)) {
        m_units.pop_back();
        model::ShowMessage(resources::kMsgAddUnitFailed);
        return;
    }
    if (m_units.size() == 1)
        ShowUnit(m_units.front().macDigits, m_units.front().model);
    m_frame.Notify(kNotifyRefreshHwConfig);
}

void CDeviceConfigController::Delete() {
    if (m_units.empty()) {
        model::ShowMessage(resources::kMsgNoUnits);
        return;
    }
    if (model::Ask(resources::kMsgAskDeleteUnit, EMessageButtons::YesNo, EMessageAnswer::Yes,
                   m_currentMac) != EMessageAnswer::Yes)
        return;
    const int row = CurrentRow();
    if (row < 0)
        return;
    const std::string deleted = m_currentMac;
    if (!m_file.Delete(deleted)) {
        model::ShowMessage(resources::kMsgDeleteUnitFailed, deleted);
        return;
    }
    m_units.erase(m_units.begin() + row);
    m_modified = false;
    if (m_units.empty())
        ClearCurrent();
    else
        ShowUnit(m_units.front().macDigits, m_units.front().model);
    m_frame.SetChangedUnit(ChangedUnitText(deleted));
    m_frame.Notify(kNotifyRefreshHwConfigDevices);
}

void CDeviceConfigController::Exit() {
    if (m_modified && model::Ask(resources::kMsgAskSaveChannels, EMessageButtons::YesNo,
                                 EMessageAnswer::Yes, m_currentMac) == EMessageAnswer::Yes)
        SubmitChannels();
    m_modified = false;
}

} // namespace device_editor
