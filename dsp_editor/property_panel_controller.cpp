#include "dsp_editor/property_panel_controller.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <limits>

#include "dsp_editor/zo_dsp_doc.h"
#include "dsp_editor/zo_dsp_view.h"
#include "model/ari_classes.h"
#include "model/base_ari_module.h"
#include "model/base_link.h"
#include "model/messages.h"
#include "model/program_settings.h"
#include "model/sheet_size.h"
#include "platform/app_paths/app_paths.h"
#include "platform/profile/profile.h"
#include "platform/text/format.h"
#include "resources/message_ids.h"
#include "resources/string_table.h"

namespace dsp_editor {

namespace {

using model::CBaseAriModule;
using model::CBaseLink;
using model::COLORREF;
using platform::text::format;

// The string table's texts of the panel.
enum : int {
    kStrModuleCount = 263,
    kStrLinkCount = 264,
    kStrParameter = 265,
    kStrValue = 266,
    kStrModulesShapes = 267,
    kStrSpaceTotal = 268,
    kStrTimeTotal = 269,
    kStrProperty = 271,
    kStrModuleName = 272,
    kStrPort = 273,
    kStrFeedingModule = 274,
    kStrReceivingModule = 275,
    kStrModuleType = 276,
    kStrId = 277,
    kStrSpaceUsed = 314,
    kStrTimeUsed = 315,
    kStrInput = 316,
    kStrOutput = 317,
    kStrUnconnected = 318,
    kStrConnections = 319,
    kStrParameterColumn = 320,
    kStrValueColumn = 321,
    kStrOtherColumn = 322,
};

// The space and time a DSP unit offers.
constexpr int kDspSpace = 8192;
constexpr int kDspTime = 25000;
// Input and output modules show this much of their name as the caption.
constexpr std::size_t kChannelCaptionLength = 9;

using model::kMaxSheetSide;
using model::kMinSheetSide;
constexpr std::int32_t kMaxLinkWidth = 50;

constexpr std::string_view kSheetEntry = "Sheet";

// The initial display properties.
constexpr std::int32_t kInitialLinkWidth = 1;
constexpr COLORREF kInitialLinkColour = 0xB40000;
constexpr std::int32_t kInitialSheetWidth = 1260;
constexpr std::int32_t kInitialSheetHeight = 1800;
constexpr COLORREF kInitialSheetColour = 0xFFFFFF;
// By type code; 0 for the codes without modules.
constexpr std::array<COLORREF, 14> kInitialTypeColours = {
    0,        0xC0C0C0, 0xC0C0C0, 0xC8C800, 0x008200, 0xB40000, 0,
    0x008080, 0x808000, 0x0080FF, 0xFF80FF, 0x8080FF, 0xFFFFFF, 0x000080};

std::string PanelText(int id) {
    return std::string(resources::LoadString(id));
}

std::string LinkEntry(const CBaseLink& link) {
    return format("Link-%d", link.m_id);
}

bool HasNoResources(const CBaseAriModule& module) {
    return module.m_typeCode == model::kAriText || module.m_typeCode == model::kAriMeter;
}

// A module's caption when nothing else is given: its name, the last 9
// characters of it for an input or output module.
std::string InitialCaption(const CBaseAriModule& module) {
    const std::string& name = module.m_name;
    if (module.IsChannelModule() && name.size() > kChannelCaptionLength)
        return name.substr(name.size() - kChannelCaptionLength);
    return name;
}

// The leading decimal integer of the text (blanks, then an optional sign);
// 0 when there is none. Saturates rather than overflowing.
std::int64_t LeadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        value = std::min<std::int64_t>(value * 10 + (text[i] - '0'),
                                       std::numeric_limits<std::int32_t>::max() + 1LL);
    return negative ? -value : value;
}

// The text less each carriage return and the character after it; none when
// it holds no carriage return.
std::optional<std::string> WithoutEnter(std::string_view text) {
    if (text.find('\r') == std::string_view::npos)
        return std::nullopt;
    std::string rest;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r')
            ++i;
        else
            rest += text[i];
    }
    return rest;
}

// A share of the unit's capacity as the module rows give it.
std::string Share(std::int32_t used, int capacity, bool none) {
    if (none)
        return "0 %";
    const auto percent = static_cast<std::int64_t>(used) * 100 / capacity;
    return percent < 1 ? std::string("< 1%") : format("%d%%", static_cast<int>(percent));
}

// A pin's row title: the side's text, numbered from 1 when the side has
// more than one pin.
std::string PinTitle(int text, std::int32_t pins, std::int32_t index) {
    return pins > 1 ? format("%s %d", PanelText(text), index + 1) : PanelText(text);
}

// The band letters of a crossover's outputs, by its output count.
std::string CrossoverBand(std::int32_t outputs, std::int32_t output) {
    static constexpr std::array<std::array<const char*, 4>, 3> kBands = {{
        {"L", "H", "", ""},
        {"L", "M", "H", ""},
        {"L", "LM", "HM", "H"},
    }};
    if (outputs < 2 || outputs > 4 || output < 0 || output >= outputs)
        return "Wrong";
    return kBands[static_cast<std::size_t>(outputs - 2)][static_cast<std::size_t>(output)];
}

// A link end's module as the link rows name it: its caption, an input or
// output module's type name before it.
std::string EndName(const CBaseAriModule& module) {
    return module.IsChannelModule() ? module.m_typeName + " " + module.m_displayName
                             : module.m_displayName;
}

} // namespace

CPropertyPanelController::CPropertyPanelController(CZoDSPView& view) : m_view(view) {}

void CPropertyPanelController::OnInitDialog() {
    const CZoDSPDoc& doc = m_view.GetDocument();
    m_entries.assign(1, std::string(kSheetEntry));
    for (const auto& module : doc.Modules())
        m_entries.push_back(module->m_name);
    for (const auto& link : doc.Links())
        m_entries.push_back(LinkEntry(*link));
    m_fields[kCtlSheetWidth] = format("%d", doc.m_sheetWidth);
    m_fields[kCtlSheetHeight] = format("%d", doc.m_sheetHeight);
    m_fields[kCtlCaption] = "Channel1";
    m_current = 0;
    m_moduleId.reset();
    m_linkId.reset();
    Show();
}

void CPropertyPanelController::SelectEntry(std::string_view text) {
    const auto found = std::find(m_entries.begin(), m_entries.end(), text);
    m_current = found == m_entries.end() ? -1 : static_cast<int>(found - m_entries.begin());
}

void CPropertyPanelController::SelectSheet() {
    SelectEntry(kSheetEntry);
    m_moduleId.reset();
    m_linkId.reset();
    Show();
}

void CPropertyPanelController::SelectModule(const CBaseAriModule& module) {
    SelectEntry(module.m_name);
    m_moduleId = module.m_id;
    m_linkId.reset();
    Show();
}

void CPropertyPanelController::SelectLink(const CBaseLink& link) {
    SelectEntry(LinkEntry(link));
    m_moduleId.reset();
    m_linkId = link.m_id;
    Show();
}

void CPropertyPanelController::AddModule(const CBaseAriModule& module) {
    m_entries.push_back(module.m_name);
    SelectModule(module);
}

void CPropertyPanelController::AddLink(const CBaseLink& link) {
    m_entries.push_back(LinkEntry(link));
    SelectLink(link);
}

void CPropertyPanelController::RemoveEntry(std::string_view text) {
    const auto found = std::find(m_entries.begin(), m_entries.end(), text);
    if (found == m_entries.end())
        return;
    const int index = static_cast<int>(found - m_entries.begin());
    m_entries.erase(found);
    if (m_current == index)
        m_current = -1;
    else if (m_current > index)
        --m_current;
    if (m_window != nullptr)
        m_window->Refresh();
}

void CPropertyPanelController::RebuildAfterDelete() {
    const CZoDSPDoc& doc = m_view.GetDocument();
    const auto stays = [&doc](const std::string& entry) {
        if (entry.starts_with("Link"))
            return std::any_of(doc.Links().begin(), doc.Links().end(),
                               [&](const auto& link) { return LinkEntry(*link) == entry; });
        if (entry.starts_with("Shee") || entry.starts_with("Inpu") || entry.starts_with("Outp"))
            return true;
        return std::any_of(doc.Modules().begin(), doc.Modules().end(), [&](const auto& module) {
            return !module->IsChannelModule() && module->m_name == entry;
        });
    };
    for (std::size_t i = m_entries.size(); i-- > 0;) {
        if (!stays(m_entries[i]))
            RemoveEntry(m_entries[i]);
    }
    // The shown object may be gone with its entry.
    if (ShownModule() == nullptr)
        m_moduleId.reset();
    if (ShownLink() == nullptr)
        m_linkId.reset();
}

void CPropertyPanelController::OnSelChangeObject(int index) {
    if (index < 0 || index >= static_cast<int>(m_entries.size()))
        return;
    CZoDSPDoc& doc = m_view.GetDocument();
    doc.ClearSelection();
    const std::string entry = m_entries[static_cast<std::size_t>(index)];
    m_moduleId.reset();
    m_linkId.reset();
    for (const auto& module : doc.Modules()) {
        if (module->m_name == entry) {
            doc.SelectModule(*module);
            m_moduleId = module->m_id;
            break;
        }
    }
    if (!m_moduleId) {
        for (const auto& link : doc.Links()) {
            if (LinkEntry(*link) == entry) {
                doc.SelectLink(*link);
                m_linkId = link->m_id;
                break;
            }
        }
    }
    m_current = index;
    Show();
    m_view.CountSelection();
    if (IDspMainFrame* frame = doc.GetMainFrame())
        frame->ShowDspStatus(m_view.StatusFigures(doc.m_orderOk != 0));
    Repaint();
}

CPropertyPanelController::EShown CPropertyPanelController::Shown() const {
    if (ShownModule() != nullptr)
        return EShown::Module;
    if (ShownLink() != nullptr)
        return EShown::Link;
    return EShown::Sheet;
}

CBaseAriModule* CPropertyPanelController::ShownModule() const {
    return m_moduleId ? m_view.GetDocument().GetModuleById(*m_moduleId) : nullptr;
}

CBaseLink* CPropertyPanelController::ShownLink() const {
    return m_linkId ? m_view.GetDocument().GetLinkById(*m_linkId) : nullptr;
}

void CPropertyPanelController::OnSelChangeTab(ETab tab) {
    m_tab = tab;
    Show();
}

bool CPropertyPanelController::IsControlVisible(int control) const {
    if (control == kCtlProperties)
        return m_tab == ETab::Algorithm;
    if (m_tab != ETab::Display)
        return false;
    switch (control) {
    case kCtlLoadInitial:
    case kCtlSaveDefault:
        return true;
    case kCtlSheetWidth:
    case kCtlSheetHeight:
    case kCtlSheetColour:
        return Shown() == EShown::Sheet;
    case kCtlCaption:
    case kCtlTypeColour:
        return Shown() == EShown::Module;
    case kCtlLinkWidth:
    case kCtlLinkColour:
        return Shown() == EShown::Link;
    default:
        return false;
    }
}

CPropertyPanelController::Table CPropertyPanelController::PropertyTable() const {
    const CZoDSPDoc& doc = m_view.GetDocument();
    Table table;
    if (const CBaseAriModule* module = ShownModule()) {
        table.columns = {PanelText(kStrParameterColumn), PanelText(kStrValueColumn),
                         PanelText(kStrOtherColumn)};
        const bool noResources = HasNoResources(*module);
        std::string id;
        if (noResources)
            id = PanelText(resources::kStrOrderUndefined);
        else if (module->m_order == 0)
            id = PanelText(resources::kStrOrderNotSet);
        else
            id = format("%d", module->m_order);
        table.rows = {
            {PanelText(kStrModuleType), module->m_typeName, ""},
            {PanelText(kStrId), id, ""},
            {PanelText(kStrSpaceUsed), Share(module->m_memoryCost, kDspSpace, noResources), ""},
            {PanelText(kStrTimeUsed), Share(module->m_timeCost, kDspTime, noResources), ""},
        };
        for (std::int32_t i = 0; i < module->m_inputCount; ++i) {
            const model::CBaseChnl* pin = module->GetChnl(i);
            const CBaseAriModule* feeder =
                pin != nullptr ? doc.GetModuleById(pin->m_peerModule) : nullptr;
            if (feeder == nullptr) {
                table.rows.push_back(
                    {PinTitle(kStrInput, module->m_inputCount, i), PanelText(kStrUnconnected), ""});
                continue;
            }
            const std::int32_t output = pin->m_peerChannel - feeder->m_inputCount;
            table.rows.push_back({PinTitle(kStrInput, module->m_inputCount, i), feeder->m_name,
                                  PinTitle(kStrOutput, feeder->m_outputCount, output)});
        }
        for (std::int32_t j = 0; j < module->m_outputCount; ++j) {
            const model::CBaseChnl* pin = module->GetChnl(module->m_inputCount + j);
            const std::int32_t links = pin != nullptr ? pin->m_linkCount : 0;
            table.rows.push_back({PinTitle(kStrOutput, module->m_outputCount, j),
                                  links > 0 ? format("%d %s", links, PanelText(kStrConnections))
                                            : PanelText(kStrUnconnected),
                                  ""});
        }
    } else if (const CBaseLink* link = ShownLink()) {
        table.columns = {PanelText(kStrProperty), PanelText(kStrModuleName), PanelText(kStrPort)};
        std::vector<std::string> feeding = {PanelText(kStrFeedingModule), "", ""};
        if (const CBaseAriModule* feeder = doc.GetModuleById(link->m_destModule)) {
            const std::int32_t output = link->m_destChannel - feeder->m_inputCount;
            feeding[1] = EndName(*feeder);
            if (feeder->m_typeCode == model::kAriCrossover)
                feeding[2] = CrossoverBand(feeder->m_outputCount, output);
            else
                feeding[2] =
                    feeder->m_outputCount == 1 ? std::string("Out") : format("Out %d", output + 1);
        }
        std::vector<std::string> receiving = {PanelText(kStrReceivingModule), "", ""};
        if (const CBaseAriModule* receiver = doc.GetModuleById(link->m_sourceModule)) {
            receiving[1] = EndName(*receiver);
            receiving[2] = receiver->m_inputCount == 1 ? std::string("In")
                                                       : format("In %d", link->m_sourceChannel + 1);
        }
        table.rows = {std::move(feeding), std::move(receiving)};
    } else {
        const auto modules = static_cast<std::int32_t>(doc.Modules().size());
        table.columns = {PanelText(kStrParameter), PanelText(kStrValue)};
        table.rows = {
            {PanelText(kStrModuleCount),
             format(PanelText(kStrModulesShapes), model::AlgorithmModuleCount(modules), modules)},
            {PanelText(kStrLinkCount), format("%d", static_cast<int>(doc.Links().size()))},
            {PanelText(kStrSpaceTotal),
             format("%d%%", static_cast<int>(static_cast<std::int64_t>(doc.m_spaceTotal) * 100 /
                                             kDspSpace))},
            {PanelText(kStrTimeTotal),
             format("%d%%",
                    static_cast<int>(static_cast<std::int64_t>(doc.m_timeTotal) * 100 / kDspTime))},
        };
    }
    return table;
}

std::string* CPropertyPanelController::Field(int control) {
    const auto found = m_fields.find(control);
    return found != m_fields.end() ? &found->second : nullptr;
}

const std::string& CPropertyPanelController::FieldText(int control) const {
    static const std::string kNone;
    const auto found = m_fields.find(control);
    return found != m_fields.end() ? found->second : kNone;
}

void CPropertyPanelController::OnFieldChange(int control, std::string text) {
    std::string* field = Field(control);
    if (field == nullptr)
        return;
    if (std::optional<std::string> entered = WithoutEnter(text)) {
        *field = std::move(*entered);
        Apply(control);
    } else {
        *field = std::move(text);
    }
}

void CPropertyPanelController::OnFieldKillFocus(int control) {
    if (Field(control) != nullptr)
        Apply(control);
}

void CPropertyPanelController::Apply(int control) {
    CZoDSPDoc& doc = m_view.GetDocument();
    std::string& field = *Field(control);
    if (control == kCtlCaption) {
        CBaseAriModule* module = ShownModule();
        if (module == nullptr)
            return;
        const std::string caption = field.empty() ? InitialCaption(*module) : field;
        if (caption != module->m_displayName) {
            module->m_displayName = caption;
            doc.NotifyModuleChanged(*module);
            Changed();
        }
        Repaint();
        return;
    }

    const std::int64_t typed = LeadingInteger(field);
    std::int32_t* stored = nullptr;
    std::int32_t value = 0;
    if (control == kCtlLinkWidth) {
        CBaseLink* link = ShownLink();
        if (link == nullptr)
            return;
        stored = &link->m_penWidth;
        value =
            typed < 0 ? 1 : static_cast<std::int32_t>(std::min<std::int64_t>(typed, kMaxLinkWidth));
    } else {
        stored = control == kCtlSheetWidth ? &doc.m_sheetWidth : &doc.m_sheetHeight;
        value = static_cast<std::int32_t>(
            std::clamp<std::int64_t>(typed, kMinSheetSide, kMaxSheetSide));
    }
    field = format("%d", value);
    if (value != *stored) {
        *stored = value;
        Changed();
        Repaint();
    }
    if (m_window != nullptr)
        m_window->Refresh();
}

COLORREF CPropertyPanelController::SwatchColour(int control) const {
    switch (control) {
    case kCtlTypeColour:
        if (const CBaseAriModule* module = ShownModule())
            return module->m_colours[CBaseAriModule::kTypeColour];
        return 0;
    case kCtlSheetColour:
        return m_view.GetDocument().m_sheetColour;
    case kCtlLinkColour:
        if (const CBaseLink* link = ShownLink())
            return link->m_colour;
        return 0;
    default:
        return 0;
    }
}

void CPropertyPanelController::OnSwatchColour(int control, COLORREF colour) {
    CZoDSPDoc& doc = m_view.GetDocument();
    COLORREF* stored = nullptr;
    if (control == kCtlTypeColour) {
        if (CBaseAriModule* module = ShownModule())
            stored = &module->m_colours[CBaseAriModule::kTypeColour];
    } else if (control == kCtlSheetColour) {
        stored = &doc.m_sheetColour;
    } else if (control == kCtlLinkColour) {
        if (CBaseLink* link = ShownLink())
            stored = &link->m_colour;
    }
    if (stored == nullptr)
        return;
    if (*stored != colour) {
        *stored = colour;
        Changed();
    }
    if (m_window != nullptr)
        m_window->Refresh();
    Repaint();
}

void CPropertyPanelController::OnLoadInitialValues() {
    CZoDSPDoc& doc = m_view.GetDocument();
    const EShown shown = Shown();
    const int question = shown == EShown::Module ? resources::kMsgAskResetModule
                         : shown == EShown::Link ? resources::kMsgAskResetLink
                                                 : resources::kMsgAskResetSheet;
    if (model::Ask(question, model::EMessageButtons::OkCancel, model::EMessageAnswer::Ok) !=
        model::EMessageAnswer::Ok)
        return;
    if (CBaseAriModule* module = ShownModule()) {
        module->m_displayName = InitialCaption(*module);
        const auto type = static_cast<std::size_t>(module->m_typeCode);
        if (type < kInitialTypeColours.size())
            module->m_colours[CBaseAriModule::kTypeColour] = kInitialTypeColours[type];
        m_fields[kCtlCaption] = module->m_displayName;
        doc.NotifyModuleChanged(*module);
    } else if (CBaseLink* link = ShownLink()) {
        link->m_penWidth = kInitialLinkWidth;
        link->m_colour = kInitialLinkColour;
    } else {
        doc.m_sheetWidth = kInitialSheetWidth;
        doc.m_sheetHeight = kInitialSheetHeight;
        doc.m_sheetColour = kInitialSheetColour;
    }
    Changed();
    Show();
    Repaint();
}

void CPropertyPanelController::OnSaveAsDefault() {
    CZoDSPDoc& doc = m_view.GetDocument();
    const EShown shown = Shown();
    const int question = shown == EShown::Module ? resources::kMsgAskModuleDefault
                         : shown == EShown::Link ? resources::kMsgAskLinkDefault
                                                 : resources::kMsgAskSheetDefault;
    if (model::Ask(question, model::EMessageButtons::OkCancel, model::EMessageAnswer::Ok) !=
        model::EMessageAnswer::Ok)
        return;
    const bool programIni = m_iniPath.empty();
    platform::profile::ini_file_t ini(programIni ? platform::app_paths::ProgramIniPath()
                                                 : m_iniPath);
    const auto write = [&ini](std::string_view section, std::string_view key, std::int64_t value) {
        ini.write_string(section, key, format("%d", static_cast<int>(value)));
    };
    if (const CBaseAriModule* module = ShownModule()) {
        const COLORREF colour = module->m_colours[CBaseAriModule::kTypeColour];
        bool recoloured = false;
        for (const auto& other : doc.Modules()) {
            if (other->m_typeCode != module->m_typeCode ||
                other->m_colours[CBaseAriModule::kTypeColour] == colour)
                continue;
            other->m_colours[CBaseAriModule::kTypeColour] = colour;
            doc.NotifyModuleChanged(*other);
            recoloured = true;
        }
        if (recoloured)
            Changed();
        write(model::AriColourSection(module->m_typeCode), "RcTypeColor", colour);
    } else if (const CBaseLink* link = ShownLink()) {
        write("Link", "LinkWidth", link->m_penWidth);
        write("Link", "LinkColor", link->m_colour);
    } else {
        write("DSPSheet", "SheetWidth", doc.m_sheetWidth);
        write("DSPSheet", "SheetHeight", doc.m_sheetHeight);
        write("DSPSheet", "SheetColor", doc.m_sheetColour);
    }
    // New modules, links and sheets take the new defaults.
    if (programIni)
        model::ReloadProgramSettings();
    Repaint();
}

void CPropertyPanelController::Show() {
    const CZoDSPDoc& doc = m_view.GetDocument();
    if (const CBaseAriModule* module = ShownModule()) {
        m_fields[kCtlCaption] = module->m_displayName;
    } else if (const CBaseLink* link = ShownLink()) {
        m_fields[kCtlLinkWidth] = format("%d", link->m_penWidth);
    } else {
        m_fields[kCtlSheetWidth] = format("%d", doc.m_sheetWidth);
        m_fields[kCtlSheetHeight] = format("%d", doc.m_sheetHeight);
    }
    if (m_window != nullptr)
        m_window->Refresh();
}

void CPropertyPanelController::Repaint() const {
    if (IDspViewWindow* window = m_view.Window())
        window->Repaint();
}

void CPropertyPanelController::Changed() const {
    m_view.GetDocument().SetModifiedFlag(true);
}

} // namespace dsp_editor
