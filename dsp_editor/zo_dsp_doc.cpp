#include "dsp_editor/zo_dsp_doc.h"

#include <algorithm>
#include <set>
#include <system_error>

#include "model/ari_classes.h"
#include "model/ari_crossover.h"
#include "model/ari_delay.h"
#include "model/ari_dynamic.h"
#include "model/ari_equalizer.h"
#include "model/ari_filter.h"
#include "model/ari_generator.h"
#include "model/ari_input.h"
#include "model/ari_meter.h"
#include "model/ari_mixer.h"
#include "model/ari_output.h"
#include "model/ari_router.h"
#include "model/ari_text.h"
#include "model/messages.h"
#include "model/program_settings.h"
#include "model/sheet_classes.h"
#include "model/sheet_size.h"
#include "platform/archive/file.h"
#include "platform/text/ascii.h"
#include "platform/text/format.h"
#include "resources/message_ids.h"

namespace dsp_editor {

namespace pa = platform::archive;
using model::CBaseAriModule;
using model::CBaseLink;
using model::Rect;

namespace {

constexpr std::int32_t kStoredVersion = 2;
constexpr std::int32_t kSheetMargin = 10;

bool IsKnownVersion(std::int32_t version) {
    return version == 1 || version == 2;
}

std::string_view TrimSpaces(std::string_view text) {
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && space(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && space(text.back()))
        text.remove_suffix(1);
    return text;
}

constexpr std::string_view kModifiedMark = " *";

} // namespace

bool IsTextOrMeter(const model::CBaseAriModule& module) {
    return module.m_typeCode == model::kAriText || module.m_typeCode == model::kAriMeter;
}

bool IsUnitMac(std::string_view mac) {
    return mac.size() == 12 && std::all_of(mac.begin(), mac.end(), [](char c) {
               return platform::text::hex_digit_value(c) >= 0;
           });
}

ModuleNameRule ModuleNameRuleOf(std::int32_t type) {
    using Doc = CZoDSPDoc;
    switch (type) {
    case model::kAriDelay:
        return {Doc::kDelayCounter, "Delay-%d"};
    case model::kAriRouter:
        return {Doc::kRouterCounter, "Router-%d"};
    case model::kAriMixer:
        return {Doc::kMixerCounter, "Mixer-%d"};
    case model::kAriDynamic:
        return {Doc::kDynamicCounter, "Dynamic-%d"};
    case model::kAriGenerator:
        return {Doc::kGeneratorCounter, "Generator-%d"};
    case model::kAriEqualizer:
        return {Doc::kEqualizerCounter, "Equalizer-%d"};
    case model::kAriFilter:
        return {Doc::kFilterCounter, "Filter-%d"};
    case model::kAriCrossover:
        return {Doc::kCrossOverCounter, "CrossOver-%d"};
    case model::kAriText:
        return {Doc::kTextCounter, "Text-%d"};
    case model::kAriMeter:
        return {Doc::kMeterCounter, "Meter-%d"};
    default:
        return {-1, nullptr};
    }
}

std::optional<std::filesystem::path> DefaultDspPath(std::string_view sheetPath,
                                                    std::string_view mac) {
    const std::string_view sheet = TrimSpaces(sheetPath);
    if (sheet.empty() || !IsUnitMac(mac))
        return std::nullopt;
    const std::string folder =
        std::string(sheet.substr(0, sheet.size() >= 3 ? sheet.size() - 3 : 0)) + " DSP Files";
    return std::filesystem::path(folder) / (std::string(mac) + ".dsp");
}

Rect ModuleBounds(const CBaseAriModule& module) {
    // The frame is drawn one outside the body, the selection marks two
    // further out and the shadow below and right of the frame.
    return module.m_body.Inflated(4, 4);
}

Rect LinkBounds(const CBaseLink& link) {
    // The polyline reaches 15 beyond each end and the pick region 18.
    const std::int32_t pen = std::max(link.m_penWidth, 1);
    Rect r{std::min(link.m_start.x, link.m_end.x), std::min(link.m_start.y, link.m_end.y),
           std::max(link.m_start.x, link.m_end.x), std::max(link.m_start.y, link.m_end.y)};
    r.InflateRect(18 + pen, 3 + pen);
    return r;
}

CZoDSPDoc::CZoDSPDoc() = default;

CZoDSPDoc::~CZoDSPDoc() {
    DestroyAttriDialogs();
}

void CZoDSPDoc::Notify(Kind kind, std::int32_t id, const Rect& bounds, const Rect& oldBounds) {
    m_observers.Notify({kind, id, 0, bounds, oldBounds});
}

void CZoDSPDoc::NotifyModuleChanged(const CBaseAriModule& module) {
    const Rect bounds = ModuleBounds(module);
    Notify(Kind::ObjectChanged, module.m_id, bounds, bounds);
}

void CZoDSPDoc::SetParameter(CBaseAriModule& module, const ParameterChange& change,
                             IParameterHost& host, bool merge) {
    SetParameters(module, std::span(&change, 1), host, merge);
}

void CZoDSPDoc::SetParameters(CBaseAriModule& module, std::span<const ParameterChange> changes,
                              IParameterHost& host, bool merge) {
    if (changes.empty())
        return;
    for (const ParameterChange& change : changes) {
        CBaseAriModule* copy =
            m_undo != nullptr ? m_undo->RecordParameterChange(module, merge) : nullptr;
        // Later changes join the step the first one chose.
        merge = false;
        change.assign(module);
        if (copy != nullptr)
            change.assign(*copy);
        if (m_live != 0 && change.command)
            change.command(module, host.UnitCommands());
    }
    SetModifiedFlag(true);
    NotifyModuleChanged(module);
    host.FollowGroup(module);
}

void CZoDSPDoc::NewUndoHistory() {
    m_undo = m_undoFactory ? m_undoFactory(*this) : MakeDspUndoHistory(*this);
}

void CZoDSPDoc::ResetRunState() {
    m_resourcesOk = 0;
    m_orderOk = 0;
    m_programBuilt = 0;
    m_live = 0;
    m_moduleDeleted = 0;
    m_linkDeleted = 0;
    m_outputOrder = 0;
}

// -- the document's life

void CZoDSPDoc::OnNewDocument() {
    DestroyAttriDialogs();
    m_modules.clear();
    m_links.clear();
    m_nameCounters.fill(0);
    m_moduleIdCounter = 0;
    m_linkIdCounter = 0;
    m_spaceTotal = 0;
    m_timeTotal = 0;
    m_fileVersion = -1;
    m_zoom = 0;
    m_hiddenModules = 0;
    m_savedTitle.clear();
    ResetRunState();

    const model::CProgramSettings::CDSPSheetDefaults sheet = model::ProgramSettings()->dspSheet;
    m_sheetWidth = sheet.width;
    m_sheetHeight = sheet.height;
    m_sheetColour = sheet.colour;
    m_unitMac = m_frame != nullptr ? m_frame->NewSheetMac() : std::string();
    m_deviceModel = m_frame != nullptr ? m_frame->NewSheetModel() : 0;
    CreateDefaultChannels();
    NewUndoHistory();
    m_templateSlot = 0;
    m_templateStructName = "TypeName";
    m_templateParamName = "ChildTypeName";
    Notify(Kind::Reset);
    SetModifiedFlag(true);
}

void CZoDSPDoc::OnOpenDocument(const std::filesystem::path& path) {
    const std::vector<std::uint8_t> bytes = pa::read_file(path);
    OpenDocument(bytes);
    m_path = path;
    m_title = path.filename().string();
}

void CZoDSPDoc::OpenDocument(std::span<const std::uint8_t> bytes) {
    pa::archive_t ar(bytes, model::SheetClasses());
    Load(ar);
    ResetRunState();
    NewUndoHistory();
    Notify(Kind::Reset);
    SetModifiedFlag(false);
}

std::vector<std::uint8_t> CZoDSPDoc::SaveDocument() {
    pa::archive_t ar;
    Serialize(ar);
    return ar.TakeBytes();
}

void CZoDSPDoc::Serialize(pa::archive_t& ar) {
    if (ar.IsLoading()) {
        Load(ar);
        Notify(Kind::Reset);
        return;
    }
    m_fileVersion = kStoredVersion;
    ar << m_fileVersion << m_deviceModel << m_zoom;
    ar << pa::raw_size{m_sheetWidth, m_sheetHeight};
    for (const std::int32_t counter : m_nameCounters)
        ar << counter;
    ar << m_moduleIdCounter << m_linkIdCounter << m_spaceTotal << m_timeTotal << m_sheetColour;
    ar << std::string_view(m_unitMac) << std::string_view(m_savedTitle);
    ar << m_hiddenModules << m_templateSlot;
    ar << std::string_view(m_templateStructName) << std::string_view(m_templateParamName);
    m_modules.Serialize(ar);
    m_links.Serialize(ar);
}

void CZoDSPDoc::Load(pa::archive_t& ar) {
    // Everything is read aside first: a file that fails to load halfway
    // leaves the document as it was.
    struct Header {
        std::int32_t version, deviceModel, zoom, width, height;
        std::array<std::int32_t, kNameCounterCount> nameCounters;
        std::int32_t moduleIdCounter, linkIdCounter, spaceTotal, timeTotal;
        model::COLORREF sheetColour;
        std::string unitMac, savedTitle;
        std::int32_t hiddenModules, templateSlot;
        std::string templateStructName, templateParamName;
    } h{m_fileVersion,        m_deviceModel,      m_zoom,          m_sheetWidth,    m_sheetHeight,
        m_nameCounters,       m_moduleIdCounter,  m_linkIdCounter, m_spaceTotal,    m_timeTotal,
        m_sheetColour,        m_unitMac,          m_savedTitle,    m_hiddenModules, m_templateSlot,
        m_templateStructName, m_templateParamName};
    ar >> h.version;
    if (IsKnownVersion(h.version)) {
        ar >> h.deviceModel >> h.zoom;
        pa::raw_size size;
        ar >> size;
        h.width = model::ClampSheetSide(size.cx);
        h.height = model::ClampSheetSide(size.cy);
        for (std::int32_t& counter : h.nameCounters)
            ar >> counter;
        ar >> h.moduleIdCounter >> h.linkIdCounter >> h.spaceTotal >> h.timeTotal >> h.sheetColour;
        ar >> h.unitMac >> h.savedTitle >> h.hiddenModules >> h.templateSlot;
        ar >> h.templateStructName >> h.templateParamName;
    }

    // Module ids key every lookup and every link: one the file repeats is a
    // damaged file, not a sheet.
    pa::object_array_t<CBaseAriModule> modules;
    std::set<std::int32_t> ids;
    const std::uint32_t count = ar.ReadArrayBegin();
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = ar.Tell();
        std::unique_ptr<CBaseAriModule> module = ar.ReadObject<CBaseAriModule>();
        if (!module)
            throw pa::archive_error(at, "a module, found a null tag");
        if (!ids.insert(module->m_id).second)
            throw pa::archive_error(
                at, platform::text::format("a module id not used before, found %d", module->m_id));
        modules.push_back(std::move(module));
    }
    ar.ReadArrayEnd();
    pa::object_array_t<CBaseLink> links;
    links.Serialize(ar);

    // New ids must not meet the ones the file holds.
    for (const auto& module : modules)
        h.moduleIdCounter = std::max(h.moduleIdCounter, module->m_id);
    for (const auto& link : links)
        h.linkIdCounter = std::max(h.linkIdCounter, link->m_id);

    DestroyAttriDialogs();
    m_modules = std::move(modules);
    m_links = std::move(links);
    m_fileVersion = h.version;
    m_deviceModel = h.deviceModel;
    m_zoom = h.zoom;
    m_sheetWidth = h.width;
    m_sheetHeight = h.height;
    m_nameCounters = h.nameCounters;
    m_moduleIdCounter = h.moduleIdCounter;
    m_linkIdCounter = h.linkIdCounter;
    m_spaceTotal = h.spaceTotal;
    m_timeTotal = h.timeTotal;
    m_sheetColour = h.sheetColour;
    m_unitMac = std::move(h.unitMac);
    m_savedTitle = std::move(h.savedTitle);
    m_hiddenModules = h.hiddenModules;
    m_templateSlot = h.templateSlot;
    m_templateStructName = std::move(h.templateStructName);
    m_templateParamName = std::move(h.templateParamName);
}

// -- saving and closing

void CZoDSPDoc::SetModifiedFlag(bool modified) {
    if (m_modified == modified)
        return;
    if (modified)
        m_title += kModifiedMark;
    else if (m_title.ends_with(kModifiedMark))
        m_title.resize(m_title.size() - kModifiedMark.size());
    m_modified = modified;
    Notify(Kind::ModifiedChanged);
}

std::optional<std::filesystem::path> CZoDSPDoc::DefaultSavePath() const {
    const std::string sheet = m_frame != nullptr ? m_frame->DeviceDocumentPath() : std::string();
    if (TrimSpaces(sheet).empty()) {
        model::ShowMessage(resources::kMsgSaveDeviceDocumentFirst);
        return std::nullopt;
    }
    std::optional<std::filesystem::path> path = DefaultDspPath(sheet, m_unitMac);
    if (!path)
        model::ShowMessage(resources::kMsgBadMac);
    return path;
}

bool CZoDSPDoc::WriteTo(const std::filesystem::path& path, const std::string& savedTitle) {
    const std::string before = m_savedTitle;
    m_savedTitle = savedTitle;
    try {
        std::filesystem::create_directories(path.parent_path());
        pa::write_file_atomic(path, SaveDocument());
    } catch (const std::exception&) {
        m_savedTitle = before;
        model::ShowMessage(resources::kMsgSaveFailed);
        return false;
    }
    return true;
}

bool CZoDSPDoc::OnFileSave() {
    ClearSelection();
    bool written = false;
    if (!m_path.empty()) {
        written = WriteTo(m_path, m_savedTitle);
    } else if (const std::optional<std::filesystem::path> path = DefaultSavePath()) {
        std::string clean = m_title;
        if (m_modified && clean.ends_with(kModifiedMark))
            clean.resize(clean.size() - kModifiedMark.size());
        written = WriteTo(*path, clean);
    }
    if (written)
        SetModifiedFlag(false);
    return written;
}

bool CZoDSPDoc::OnFileClose() {
    if (!m_modified)
        return true;
    switch (model::Ask(resources::kMsgSaveDocument, model::EMessageButtons::YesNoCancel,
                       model::EMessageAnswer::Yes)) {
    case model::EMessageAnswer::Yes:
        return OnFileSave();
    case model::EMessageAnswer::No:
        return true;
    default:
        return false;
    }
}

// -- building the sheet

void CZoDSPDoc::CreateDefaultChannels() {
    for (const std::int32_t type : {model::kAriInput, model::kAriOutput})
        for (std::int32_t k = 0; k < 8; ++k)
            AddModule(type, 1, type == model::kAriInput ? 20 : 600, 20 + 70 * k, m_deviceModel);
}

std::unique_ptr<CBaseAriModule> CZoDSPDoc::MakePlacedModule(std::int32_t type, std::int32_t id,
                                                            std::int32_t variant, std::int32_t x,
                                                            std::int32_t y,
                                                            std::int32_t deviceModel) const {
    std::unique_ptr<CBaseAriModule> module = model::MakeAriModule(
        type, id, variant, std::max(x, kSheetMargin), std::max(y, kSheetMargin), deviceModel);
    if (!module)
        return nullptr;
    const Rect& body = module->m_body;
    if (body.right > m_sheetWidth - kSheetMargin)
        module->Offset(m_sheetWidth - kSheetMargin - body.right, 0);
    if (body.bottom > m_sheetHeight - kSheetMargin)
        module->Offset(0, m_sheetHeight - kSheetMargin - body.bottom);
    return module;
}

CBaseAriModule* CZoDSPDoc::AddModule(std::int32_t type, std::int32_t variant, std::int32_t x,
                                     std::int32_t y, std::int32_t deviceModel) {
    // The id is given also when the type turns out to have no class.
    const std::int32_t id = ++m_moduleIdCounter;
    std::unique_ptr<CBaseAriModule> module = MakePlacedModule(type, id, variant, x, y, deviceModel);
    if (!module)
        return nullptr;

    if (type == model::kAriInput) {
        module->m_name = platform::text::format("Input Channel-%d", id);
        module->m_displayName = platform::text::format("Channel-%d", id);
    } else if (type == model::kAriOutput) {
        module->m_name = platform::text::format("Output Channel-%d", id - 8);
        module->m_displayName = platform::text::format("Channel-%d", id - 8);
    } else {
        const ModuleNameRule rule = ModuleNameRuleOf(type);
        const std::int32_t n = ++m_nameCounters[static_cast<std::size_t>(rule.counter)];
        module->m_name = platform::text::format(rule.pattern, n);
        module->m_displayName = module->m_name;
    }

    CBaseAriModule* added = module.get();
    m_modules.push_back(std::move(module));
    Notify(Kind::ObjectAdded, id, ModuleBounds(*added));
    SetModifiedFlag(true);
    ClearSelectedFlags();
    added->m_selected = 1;
    Notify(Kind::SelectionChanged);

    if (!IsTextOrMeter(*added)) {
        m_resourcesOk = 0;
        m_orderOk = 0;
        m_live = 0;
        CheckResources();
    }
    return added;
}

CBaseLink* CZoDSPDoc::AddLink(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                              std::int32_t receivingId, std::int32_t receivingPin,
                              std::int32_t feedingId, std::int32_t feedingPin) {
    CBaseAriModule* receiving = GetModuleById(receivingId);
    CBaseAriModule* feeding = GetModuleById(feedingId);
    model::CBaseChnl* in = receiving != nullptr ? receiving->GetChnl(receivingPin) : nullptr;
    const model::CBaseChnl* out = feeding != nullptr ? feeding->GetChnl(feedingPin) : nullptr;
    if (in == nullptr || out == nullptr)
        return nullptr;
    in->m_peerChannel = feedingPin;
    in->m_peerModule = feedingId;

    auto link =
        std::make_unique<CBaseLink>(++m_linkIdCounter, model::Point{x1, y1}, model::Point{x2, y2},
                                    receivingId, receivingPin, feedingId, feedingPin);
    CBaseLink* added = link.get();
    m_links.push_back(std::move(link));
    Notify(Kind::LinkAdded, added->m_id, LinkBounds(*added));
    ClearSelectedFlags();
    added->m_selected = 1;
    Notify(Kind::SelectionChanged);
    SetModifiedFlag(true);
    if (receiving->m_typeCode != model::kAriMeter) {
        m_orderOk = 0;
        m_programBuilt = 0;
        m_live = 0;
    }
    return added;
}

namespace {

// Moves the link's connection on or off its two pins; the ids of the end
// modules found.
std::vector<std::int32_t> MoveLinkPins(const CZoDSPDoc& doc, const CBaseLink& link, bool attach) {
    std::vector<std::int32_t> ends;
    const std::int32_t step = attach ? 1 : -1;
    if (CBaseAriModule* receiving = doc.GetModuleById(link.m_sourceModule)) {
        if (model::CBaseChnl* pin = receiving->GetChnl(link.m_sourceChannel)) {
            pin->m_linkCount += step;
            pin->m_peerChannel = attach ? link.m_destChannel : 0;
            pin->m_peerModule = attach ? link.m_destModule : 0;
            ends.push_back(receiving->m_id);
        }
    }
    if (CBaseAriModule* feeding = doc.GetModuleById(link.m_destModule)) {
        if (model::CBaseChnl* pin = feeding->GetChnl(link.m_destChannel)) {
            pin->m_linkCount += step;
            if (ends.empty() || ends.front() != feeding->m_id)
                ends.push_back(feeding->m_id);
        }
    }
    return ends;
}

} // namespace

void CZoDSPDoc::DetachLinkPins(const CBaseLink& link) {
    for (const std::int32_t id : MoveLinkPins(*this, link, false))
        NotifyModuleChanged(*GetModuleById(id));
}

void CZoDSPDoc::AttachLinkPins(const CBaseLink& link) {
    for (const std::int32_t id : MoveLinkPins(*this, link, true))
        NotifyModuleChanged(*GetModuleById(id));
}

void CZoDSPDoc::DeleteLinkAt(std::size_t index, std::vector<std::int32_t>& touched) {
    const std::vector<std::int32_t> ends = MoveLinkPins(*this, *m_links[index], false);
    touched.insert(touched.end(), ends.begin(), ends.end());
    std::unique_ptr<CBaseLink> link = m_links.remove(index);
    Notify(Kind::LinkRemoved, link->m_id, LinkBounds(*link));
    if (m_undo)
        m_undo->RecordDeletedLink(std::move(link));
}

void CZoDSPDoc::DeleteSelection() {
    if (m_live != 0) {
        model::ShowMessage(resources::kMsgDeleteWhileLive);
        ClearSelection();
        return;
    }
    if (m_undo)
        m_undo->BeginStep();

    bool selection_changed = false, module_gone = false, link_gone = false;
    std::vector<std::int32_t> touched;
    for (std::size_t i = 0; i < m_modules.size();) {
        CBaseAriModule* module = m_modules[i];
        if (module->m_selected == 0) {
            ++i;
            continue;
        }
        selection_changed = true;
        if (module->IsChannelModule()) {
            module->m_selected = 0;
            ++i;
            continue;
        }
        const std::int32_t id = module->m_id;
        for (std::size_t k = 0; k < m_links.size();) {
            if (m_links[k]->m_sourceModule == id || m_links[k]->m_destModule == id)
                DeleteLinkAt(k, touched);
            else
                ++k;
        }
        for (auto it = m_attriDialogs.begin(); it != m_attriDialogs.end();) {
            IAttriDialog* dialog = *it;
            if (dialog->GetKind() == 0 && dialog->GetModuleId() == id) {
                it = m_attriDialogs.erase(it);
                dialog->DestroyDialog();
            } else {
                ++it;
            }
        }
        std::unique_ptr<CBaseAriModule> gone = m_modules.remove(i);
        Notify(Kind::ObjectRemoved, id, ModuleBounds(*gone));
        if (m_undo)
            m_undo->RecordDeletedModule(std::move(gone));
        module_gone = true;
    }
    for (std::size_t k = 0; k < m_links.size();) {
        if (m_links[k]->m_selected == 0) {
            ++k;
            continue;
        }
        DeleteLinkAt(k, touched);
        selection_changed = true;
        link_gone = true;
    }

    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    for (const std::int32_t id : touched)
        if (const CBaseAriModule* module = GetModuleById(id))
            NotifyModuleChanged(*module);
    if (selection_changed)
        Notify(Kind::SelectionChanged);

    if (module_gone)
        m_moduleDeleted = 1;
    if (link_gone)
        m_linkDeleted = 1;
    if (!module_gone && !link_gone)
        return;
    m_orderOk = 0;
    m_programBuilt = 0;
    SetModifiedFlag(true);
    if (module_gone)
        CheckResources();
}

// -- what undo and redo change

std::unique_ptr<CBaseAriModule> CZoDSPDoc::TakeModule(std::int32_t id) {
    const auto it = std::find_if(m_modules.begin(), m_modules.end(),
                                 [id](const auto& module) { return module->m_id == id; });
    if (it == m_modules.end())
        return nullptr;
    std::unique_ptr<CBaseAriModule> module =
        m_modules.remove(static_cast<std::size_t>(it - m_modules.begin()));
    for (auto d = m_attriDialogs.begin(); d != m_attriDialogs.end();) {
        IAttriDialog* dialog = *d;
        if (dialog->GetKind() == 0 && dialog->GetModuleId() == id) {
            d = m_attriDialogs.erase(d);
            dialog->DestroyDialog();
        } else {
            ++d;
        }
    }
    Notify(Kind::ObjectRemoved, id, ModuleBounds(*module));
    return module;
}

CBaseAriModule* CZoDSPDoc::PutModule(std::unique_ptr<CBaseAriModule> module) {
    CBaseAriModule* put = module.get();
    m_modules.push_back(std::move(module));
    Notify(Kind::ObjectAdded, put->m_id, ModuleBounds(*put));
    return put;
}

std::unique_ptr<CBaseLink> CZoDSPDoc::TakeLink(std::int32_t id) {
    const auto it = std::find_if(m_links.begin(), m_links.end(),
                                 [id](const auto& link) { return link->m_id == id; });
    if (it == m_links.end())
        return nullptr;
    std::unique_ptr<CBaseLink> link =
        m_links.remove(static_cast<std::size_t>(it - m_links.begin()));
    DetachLinkPins(*link);
    Notify(Kind::LinkRemoved, id, LinkBounds(*link));
    return link;
}

CBaseLink* CZoDSPDoc::PutLink(std::unique_ptr<CBaseLink> link) {
    CBaseLink* put = link.get();
    m_links.push_back(std::move(link));
    Notify(Kind::LinkAdded, put->m_id, LinkBounds(*put));
    AttachLinkPins(*put);
    return put;
}

void CZoDSPDoc::MoveModule(CBaseAriModule& module, std::int32_t dx, std::int32_t dy) {
    const Rect before = ModuleBounds(module);
    module.Offset(dx, dy);
    Notify(Kind::ObjectChanged, module.m_id, ModuleBounds(module), before);
    for (const auto& link : m_links) {
        const bool receiving = link->m_sourceModule == module.m_id;
        const bool feeding = link->m_destModule == module.m_id;
        if (!receiving && !feeding)
            continue;
        const Rect old = LinkBounds(*link);
        if (receiving)
            link->m_start.Offset(dx, dy);
        if (feeding)
            link->m_end.Offset(dx, dy);
        Notify(Kind::LinkChanged, link->m_id, LinkBounds(*link), old);
    }
}

void CZoDSPDoc::SwapSheet(pa::object_array_t<CBaseAriModule>& modules,
                          pa::object_array_t<CBaseLink>& links) {
    DestroyAttriDialogs();
    std::swap(m_modules, modules);
    std::swap(m_links, links);
    Notify(Kind::Reset);
}

void CZoDSPDoc::SelectModule(CBaseAriModule& module) {
    module.m_selected = 1;
    Notify(Kind::SelectionChanged);
}

void CZoDSPDoc::SelectLink(CBaseLink& link) {
    link.m_selected = 1;
    Notify(Kind::SelectionChanged);
}

bool CZoDSPDoc::ClearSelectedFlags() {
    bool any = false;
    for (const auto& module : m_modules) {
        any = any || module->m_selected != 0;
        module->m_selected = 0;
    }
    for (const auto& link : m_links) {
        any = any || link->m_selected != 0;
        link->m_selected = 0;
    }
    return any;
}

void CZoDSPDoc::ClearSelection() {
    if (ClearSelectedFlags())
        Notify(Kind::SelectionChanged);
}

void CZoDSPDoc::SetDeviceModel(std::int32_t model) {
    m_deviceModel = model;
    for (const auto& module : m_modules) {
        if (module->IsKindOf(model::CAriInput::class_record))
            static_cast<model::CAriInput&>(*module).SetDeviceModel(model);
        else if (module->IsKindOf(model::CAriOutput::class_record))
            static_cast<model::CAriOutput&>(*module).SetDeviceModel(model);
        else
            continue;
        NotifyModuleChanged(*module);
    }
}

// -- lookups

CBaseAriModule* CZoDSPDoc::GetModuleById(std::int32_t id) const {
    for (const auto& module : m_modules)
        if (module->m_id == id)
            return module.get();
    return nullptr;
}

CBaseAriModule* CZoDSPDoc::GetModuleByOrder(std::int32_t order) const {
    if (m_orderOk == 0 || order < 1 || order > m_outputOrder)
        return nullptr;
    for (const auto& module : m_modules)
        if (module->m_order == order)
            return module.get();
    return nullptr;
}

CBaseLink* CZoDSPDoc::GetLinkById(std::int32_t id) const {
    for (const auto& link : m_links)
        if (link->m_id == id)
            return link.get();
    return nullptr;
}

// -- open attribute dialogs

void CZoDSPDoc::RemoveAttriDialog(std::int32_t moduleId, std::int32_t kind) {
    const auto it = std::find_if(m_attriDialogs.begin(), m_attriDialogs.end(), [&](const auto* d) {
        return d->GetModuleId() == moduleId && d->GetKind() == kind;
    });
    if (it != m_attriDialogs.end())
        m_attriDialogs.erase(it);
}

void CZoDSPDoc::DestroyAttriDialogs() {
    // A dialog's destruction may reach back into the list: empty it first.
    const std::vector<IAttriDialog*> dialogs = std::move(m_attriDialogs);
    m_attriDialogs.clear();
    for (IAttriDialog* dialog : dialogs)
        dialog->DestroyDialog();
}

} // namespace dsp_editor
