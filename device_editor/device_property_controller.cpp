#include "device_editor/device_property_controller.h"

#include <algorithm>

#include "device_editor/unit_configuration.h"
#include "model/device_chnl.h"
#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/messages.h"
#include "model/program_settings.h"
#include "model/undo_history.h"
#include "platform/archive/archive.h"
#include "platform/profile/profile.h"
#include "platform/text/ascii.h"
#include "platform/text/format.h"
#include "resources/message_ids.h"

namespace device_editor {

using model::CBaseDevice;
using model::COLORREF;

namespace {

// Whether two devices store the same: every field the sheet keeps.
bool SameDevice(const CBaseDevice& a, const CBaseDevice& b) {
    const auto stored = [](const CBaseDevice& device) {
        platform::archive::archive_t ar;
        model::CopyDevice(device)->Serialize(ar);
        return ar.TakeBytes();
    };
    return stored(a) == stored(b);
}

} // namespace

bool CDevicePropertyController::Handles(const CBaseDevice& device) {
    return device.m_kind == model::kDeviceUnit || device.m_kind == model::kDeviceGeneric ||
           device.m_kind == model::kDeviceMatrix;
}

CDevicePropertyController::CDevicePropertyController(CZoDeviceDoc& doc, CBaseDevice& device,
                                                     std::filesystem::path programFolder)
    : m_doc(doc), m_device(device), m_programFolder(std::move(programFolder)),
      m_opened(model::CopyDevice(device)), m_name(device.m_name) {
    if (CBaseDevice* twin = Twin())
        m_openedTwin = model::CopyDevice(*twin);
    if (device.m_kind == model::kDeviceUnit) {
        if (device.m_mac.size() == 12) {
            m_macs.push_back(device.m_mac);
        } else {
            for (const std::string& mac : CUnitConfigFile(m_programFolder).OfferFor(ModelName())) {
                const bool used =
                    std::any_of(doc.Devices().begin(), doc.Devices().end(), [&](const auto& other) {
                        return other.get() != &device &&
                               platform::text::equals_no_case(other->m_mac, mac);
                    });
                if (!used)
                    m_macs.push_back(mac);
            }
        }
    }
    for (int i = 0; i < device.m_inputCount + device.m_outputCount; ++i) {
        const model::CBaseChnl* chnl = device.GetChnl(i);
        if (chnl == nullptr)
            continue;
        const bool output = i >= device.m_inputCount;
        m_channels.push_back({chnl->m_name, output ? i - device.m_inputCount + 1 : i + 1, output});
    }
}

std::string CDevicePropertyController::ModelName() const {
    return std::string(model::ModelName(m_device.m_typeCode));
}

CBaseDevice* CDevicePropertyController::Twin() const {
    return m_doc.FindSameIdDevice(m_device.m_id, m_device.m_subType, m_device.m_typeCode);
}

void CDevicePropertyController::PutColours(CBaseDevice& device,
                                           const std::array<COLORREF, 4>& colours) {
    if (device.m_colours == colours)
        return;
    const std::unique_ptr<CBaseDevice> copy = model::CopyDevice(device);
    copy->m_colours = colours;
    m_doc.ChangeDevice(device, *copy);
}

void CDevicePropertyController::SetColour(EDeviceColour slot, COLORREF colour) {
    std::array<COLORREF, 4> colours = m_device.m_colours;
    colours[static_cast<std::size_t>(slot)] = colour;
    PutColours(m_device, colours);
    if (CBaseDevice* twin = Twin())
        PutColours(*twin, colours);
}

COLORREF CDevicePropertyController::Colour(EDeviceColour slot) const {
    return m_device.m_colours[static_cast<std::size_t>(slot)];
}

bool CDevicePropertyController::SaveColoursAsDefault(const std::filesystem::path& iniPath) const {
    platform::profile::ini_file_t ini(iniPath);
    const std::string model = ModelName();
    bool ok = true;
    for (const auto& [suffix, slot] : {std::pair{"Back", EDeviceColour::Back},
                                       {"Fore", EDeviceColour::Fore},
                                       {"Title", EDeviceColour::Title},
                                       {"Other", EDeviceColour::Other}})
        ok = ini.write_string("ColorScheme", model + suffix,
                              platform::text::format("%d", static_cast<int>(Colour(slot)))) &&
             ok;
    model::ReloadProgramSettings();
    return ok;
}

void CDevicePropertyController::Cancel() {
    PutColours(m_device, m_opened->m_colours);
    if (CBaseDevice* twin = Twin(); twin != nullptr && m_openedTwin)
        PutColours(*twin, m_openedTwin->m_colours);
}

bool CDevicePropertyController::Accept(const std::string& name, int macIndex,
                                       const std::vector<std::string>& channelNames,
                                       const model::TextMeasurer& dc) {
    CBaseDevice* twin = Twin();
    std::unique_ptr<CBaseDevice> edited = model::CopyDevice(m_device);
    std::unique_ptr<CBaseDevice> editedTwin = twin != nullptr ? model::CopyDevice(*twin) : nullptr;
    if (name != m_device.m_name) {
        edited->SetName(name, dc);
        if (editedTwin)
            editedTwin->SetName(name, dc);
        if (!m_doc.FitsOnSheet(*edited, false) ||
            (editedTwin && !m_doc.FitsOnSheet(*editedTwin, false))) {
            model::ShowMessage(resources::kMsgNameTooLong);
            return false;
        }
    }
    if (m_device.m_kind == model::kDeviceUnit) {
        if (macIndex < 0 || macIndex >= static_cast<int>(m_macs.size())) {
            model::ShowMessage(resources::kMsgNoMacLeft);
        } else {
            const std::string& mac = m_macs[static_cast<std::size_t>(macIndex)];
            const CUnitConfigFile file(m_programFolder);
            const UnitBundles bundles = file.ReadBundles(mac);
            const platform::profile::ini_contents_t unit = file.Read(mac);
            for (CBaseDevice* device : {edited.get(), editedTwin.get()}) {
                if (device == nullptr)
                    continue;
                device->m_mac = mac;
                if (auto* ny = dynamic_cast<model::CDeviceNy*>(device)) {
                    ny->m_bundle1 = bundles.bundle1;
                    ny->m_bundle2 = bundles.bundle2;
                }
                ApplyUnitChannelProperties(*device, unit);
            }
        }
    }
    for (std::size_t i = 0; i < channelNames.size() && i < m_channels.size(); ++i) {
        const ChannelRow& row = m_channels[i];
        const int index = row.output ? edited->m_inputCount + row.number - 1 : row.number - 1;
        if (model::CBaseChnl* chnl = edited->GetChnl(index))
            chnl->m_name = channelNames[i];
    }

    // One step holds both as they were when the dialog opened; the colours
    // chosen meanwhile are part of the change.
    const bool changed = !SameDevice(*edited, *m_opened) ||
                         (editedTwin && m_openedTwin && !SameDevice(*editedTwin, *m_openedTwin));
    if (changed) {
        if (model::CUndoHistory* undo = m_doc.GetUndoHistory()) {
            std::vector<CBaseDevice*> opened{m_opened.get()};
            if (twin != nullptr && m_openedTwin)
                opened.push_back(m_openedTwin.get());
            undo->AddDeviceLinkAction(3, opened, {});
        }
        m_doc.ChangeDevice(m_device, *edited);
        if (twin != nullptr && editedTwin)
            m_doc.ChangeDevice(*twin, *editedTwin);
        m_doc.SetModifiedFlag();
    }
    m_name = m_device.m_name;
    return true;
}

} // namespace device_editor
