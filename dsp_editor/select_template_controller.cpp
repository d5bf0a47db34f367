#include "dsp_editor/select_template_controller.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <system_error>

#include "dsp_editor/zo_dsp_doc.h"
#include "dsp_editor/zo_dsp_view.h"
#include "model/messages.h"
#include "platform/profile/profile.h"
#include "platform/text/ascii.h"
#include "resources/message_ids.h"

namespace dsp_editor {

namespace {

using model::EMessageAnswer;
using model::EMessageButtons;

// The list of units with stored templates.
constexpr std::string_view kUnitsSection = "FirAriTemplateNum";
constexpr std::string_view kUnitsCountKey = "Number";
constexpr std::string_view kUnitMacsSection = "FirmAriTemplateDeviceMAC";
// A MAC is read with room for 20 characters.
constexpr std::size_t kMacChars = 21;
constexpr std::string_view kTemplateExtension = ".dmu";

std::string LowerText(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), platform::text::ascii_lower);
    return lower;
}

std::size_t SlotIndex(int slot) {
    return static_cast<std::size_t>(slot - 1);
}

bool TemplateFileExists(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}

bool HasTemplateExtension(std::string_view path) {
    return path.size() >= kTemplateExtension.size() &&
           platform::text::equals_no_case(path.substr(path.size() - kTemplateExtension.size()),
                                          kTemplateExtension);
}

// Installed while a preview copy is made: the copy's resource checks say
// nothing, every other message goes where it would have gone. The copy runs
// on the caller's thread alone; messages of other threads reach the user
// through the UI thread's queue, after it.
class CQuietResourceChecks final : public model::IMessageSink {
public:
    CQuietResourceChecks() : m_outer(model::Messages()), m_previous(model::SetMessageSink(this)) {}
    ~CQuietResourceChecks() override { model::SetMessageSink(m_previous); }
    CQuietResourceChecks(const CQuietResourceChecks&) = delete;
    CQuietResourceChecks& operator=(const CQuietResourceChecks&) = delete;

    void ShowMessage(int id, const std::string& text) override {
        if (id != resources::kMsgSpaceExceeded && id != resources::kMsgTimeExceeded)
            m_outer.ShowMessage(id, text);
    }
    void Log(int id, const std::string& text) override { m_outer.Log(id, text); }
    EMessageAnswer Ask(int id, const std::string& text, EMessageButtons buttons,
                       EMessageAnswer defaultAnswer) override {
        return m_outer.Ask(id, text, buttons, defaultAnswer);
    }

private:
    model::IMessageSink& m_outer;
    model::IMessageSink* m_previous;
};

// The source module's place, names, connections and hidden flag on a module
// made anew for it.
void TakeShape(const model::CBaseAriModule& from, model::CBaseAriModule& module) {
    module.m_id = from.m_id;
    module.m_name = from.m_name;
    module.m_displayName = from.m_displayName;
    for (int i = 0; i < module.GetChnlCount(); ++i) {
        model::CBaseChnl* pin = module.GetChnl(i);
        pin->m_moduleId = module.m_id;
        if (const model::CBaseChnl* source = from.GetChnl(i)) {
            pin->m_linkCount = source->m_linkCount;
            pin->m_peerChannel = source->m_peerChannel;
            pin->m_peerModule = source->m_peerModule;
        }
    }
    if (module.IsChannelModule())
        module.m_hidden = from.m_hidden;
}

} // namespace

std::unique_ptr<CZoDSPDoc> CopySheetForPreview(const CZoDSPDoc* source) {
    if (source == nullptr)
        return nullptr;
    auto copy = std::make_unique<CZoDSPDoc>();
    copy->m_deviceModel = source->m_deviceModel;
    copy->m_sheetWidth = source->m_sheetWidth;
    copy->m_sheetHeight = source->m_sheetHeight;
    copy->m_templateSlot = source->m_templateSlot;
    copy->m_templateStructName = source->m_templateStructName;
    copy->m_templateParamName = source->m_templateParamName;
    {
        const CQuietResourceChecks quiet;
        for (const auto& from : source->Modules())
            if (model::CBaseAriModule* module =
                    copy->AddModule(from->m_typeCode, from->m_subType, from->m_body.left,
                                    from->m_body.top, copy->m_deviceModel))
                TakeShape(*from, *module);
    }
    copy->m_nameCounters = source->m_nameCounters;
    copy->m_moduleIdCounter = source->m_moduleIdCounter;
    for (const auto& from : source->Links()) {
        model::CBaseLink* link = copy->AddLink(
            from->m_start.x, from->m_start.y, from->m_end.x, from->m_end.y, from->m_sourceModule,
            from->m_sourceChannel, from->m_destModule, from->m_destChannel);
        if (link == nullptr)
            continue;
        link->m_id = from->m_id;
        link->m_penWidth = from->m_penWidth;
        link->m_colour = from->m_colour;
    }
    copy->m_linkIdCounter = source->m_linkIdCounter;
    copy->m_hiddenModules = source->m_hiddenModules;
    copy->ClearSelection();
    return copy;
}

CSelectTemplateController::CSelectTemplateController(std::filesystem::path ini,
                                                     IFileChooser* chooser, IDspMainFrame* frame)
    : m_ini(std::move(ini)), m_chooser(chooser), m_frame(frame) {}

CSelectTemplateController::~CSelectTemplateController() = default;

void CSelectTemplateController::OnInitDialog() {
    FillUnits();
    if (!m_units.empty())
        ChooseUnit(m_units.front());
}

void CSelectTemplateController::FillUnits() {
    m_units.clear();
    const platform::profile::ini_file_t list(m_ini);
    CStoredTemplateIni ini(m_ini);
    const int count = list.read_int(kUnitsSection, kUnitsCountKey, 0);
    for (int key = 1; key <= count; ++key) {
        const std::string mac =
            LowerText(list.read_string(kUnitMacsSection, std::to_string(key), "", kMacChars));
        if (mac.empty() || std::find(m_units.begin(), m_units.end(), mac) != m_units.end())
            continue;
        const TemplateSlotPaths paths = ini.Paths(mac);
        bool stored = false;
        for (int slot = 1; slot <= kTemplateSlots; ++slot) {
            const std::string& path = paths[SlotIndex(slot)];
            if (TemplateFileExists(path))
                stored = true;
            else if (!path.empty())
                ini.EmptySlot(mac, slot);
        }
        if (stored)
            m_units.push_back(mac);
    }
}

void CSelectTemplateController::FillTemplates(std::string_view mac) {
    m_templates.clear();
    CStoredTemplateIni ini(m_ini);
    const TemplateSlotPaths paths = ini.Paths(mac);
    for (int slot = 1; slot <= kTemplateSlots; ++slot) {
        const std::string& path = paths[SlotIndex(slot)];
        if (TemplateFileExists(path))
            m_templates.push_back(
                {slot, ini.StructName(mac, slot), ini.ParamName(mac, slot), path});
        else if (!path.empty())
            ini.EmptySlot(mac, slot);
    }
}

int CSelectTemplateController::SelectedUnit() const {
    for (std::size_t row = 0; row < m_units.size(); ++row)
        if (!m_mac.empty() && m_units[row] == m_mac)
            return static_cast<int>(row);
    return -1;
}

int CSelectTemplateController::SelectedTemplate() const {
    for (std::size_t row = 0; row < m_templates.size(); ++row)
        if (m_templates[row].slot == m_slot)
            return static_cast<int>(row);
    return -1;
}

void CSelectTemplateController::ChooseUnit(const std::string& mac) {
    if (mac != m_mac) {
        m_mac = mac;
        m_slot = 0;
        SetPreview(nullptr);
    }
    FillTemplates(m_mac);
}

void CSelectTemplateController::OnClickUnit(int row) {
    if (row < 0 || row >= static_cast<int>(m_units.size()))
        return;
    ChooseUnit(m_units[static_cast<std::size_t>(row)]);
}

void CSelectTemplateController::OnClickTemplate(int row) {
    if (row < 0 || row >= static_cast<int>(m_templates.size()))
        return;
    m_slot = m_templates[static_cast<std::size_t>(row)].slot;
    SetPreview(nullptr);
    // The ini's path, which a store may have changed since the list was
    // filled.
    const std::string path = CStoredTemplateIni(m_ini).Paths(m_mac)[SlotIndex(m_slot)];
    if (path.size() < 2)
        return;
    if (const std::unique_ptr<CZoDSPDoc> sheet = OpenTemplateSheet(path))
        SetPreview(CopySheetForPreview(sheet.get()));
    CleanRecentFiles();
}

void CSelectTemplateController::OnBnClickedAddTemplate() {
    if (m_chooser == nullptr)
        return;
    const std::optional<std::string> path = m_chooser->ChooseOpenFile(kTemplateFilter);
    if (!path)
        return;
    // Another name is only a warning: what counts is what the file holds.
    if (!HasTemplateExtension(*path))
        model::ShowMessage(resources::kMsgBadFileFormat);
    if (m_frame != nullptr && !m_frame->OpenDspViews()) {
        model::ShowMessage(resources::kMsgNoDocumentTemplate);
        return;
    }
    const std::unique_ptr<CZoDSPDoc> sheet = OpenTemplateSheet(*path);
    if (!sheet)
        return;
    const int slot = sheet->m_templateSlot;
    if (!IsTemplateSlot(slot)) {
        model::ShowMessage(resources::kMsgNotStoredTemplate);
        return;
    }
    // The MAC comes from the file and names an ini section.
    if (!IsUnitMac(sheet->m_unitMac)) {
        model::ShowMessage(resources::kMsgBadUnitMac);
        return;
    }
    const std::string mac = LowerText(sheet->m_unitMac);
    if (std::find(m_units.begin(), m_units.end(), mac) == m_units.end())
        m_units.push_back(mac);
    ChooseUnit(mac);

    CStoredTemplateIni ini(m_ini);
    if (!ini.Paths(mac)[SlotIndex(slot)].empty()) {
        model::ShowMessage(resources::kMsgSlotTaken);
        return;
    }
    ini.Record(mac, slot, *path, sheet->m_templateStructName, sheet->m_templateParamName);
    FillTemplates(mac);
    CleanRecentFiles();
}

bool CSelectTemplateController::OnOK() {
    if (!IsTemplateSlot(m_slot)) {
        model::ShowMessage(resources::kMsgBadTemplateSlot);
        return false;
    }
    if (!IsUnitMac(m_mac)) {
        model::ShowMessage(resources::kMsgBadUnitMac);
        return false;
    }
    SetPreview(nullptr);
    return model::Ask(resources::kMsgAskSwitchTemplate, EMessageButtons::YesNoCancel,
                      EMessageAnswer::Yes, m_slot) == EMessageAnswer::Yes;
}

void CSelectTemplateController::OnCancel() {
    SetPreview(nullptr);
}

void CSelectTemplateController::SetPreview(std::unique_ptr<CZoDSPDoc> preview) {
    if (!preview && !m_preview)
        return;
    if (m_previewChanged)
        m_previewChanged(preview.get());
    m_preview = std::move(preview);
}

void CSelectTemplateController::CleanRecentFiles() {
    if (m_frame != nullptr)
        m_frame->CleanRecentFiles();
}

} // namespace dsp_editor
