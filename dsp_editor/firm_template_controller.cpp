#include "dsp_editor/firm_template_controller.h"

#include <algorithm>
#include <array>
#include <set>
#include <system_error>

#include "dsp_editor/download_program.h"
#include "dsp_editor/store_program.h"
#include "dsp_editor/stored_template_ini.h"
#include "dsp_editor/zo_dsp_view.h"
#include "model/messages.h"
#include "platform/archive/file.h"
#include "platform/text/format.h"
#include "resources/message_ids.h"

namespace dsp_editor {

using namespace model;
namespace pa = platform::archive;

namespace {

constexpr std::string_view kModifiedSuffix = " *";
// A name reply: "GETNM", the slot in two digits, the two names.
constexpr std::string_view kNameReplyHead = "GETNM";
constexpr std::size_t kNameReplyLength = kNameReplyHead.size() + 2 + 2 * kTemplateNameLength;

// Characters of UTF-8 text.
std::size_t CharCount(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The first problem of a name as its message, 0 for none.
int NameProblem(std::string_view name, int empty, int tooLong, int notAscii) {
    if (name.empty())
        return empty;
    if (CharCount(name) > kTemplateNameLength)
        return tooLong;
    if (std::any_of(name.begin(), name.end(),
                    [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        return notAscii;
    return 0;
}

std::string_view TrimRight(std::string_view text) {
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

bool FileExists(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}

const CBaseAriModule* FirstWithOrder(const CZoDSPDoc& doc, std::int32_t order) {
    for (const auto& module : doc.Modules())
        if (module->m_order == order)
            return module.get();
    return nullptr;
}

// Execution orders: all inputs share one and all outputs one.
int OrderCount(const CZoDSPDoc& doc) {
    constexpr int kChannelModulesLessTheirOrders = 14;
    const auto textAndMeters = std::count_if(doc.Modules().begin(), doc.Modules().end(),
                                             [](const auto& m) { return IsTextOrMeter(*m); });
    return static_cast<int>(doc.Modules().size()) - kChannelModulesLessTheirOrders -
           static_cast<int>(textAndMeters);
}

// The links of a sheet by both ends and pins, those into meters left out.
std::set<std::array<std::int32_t, 4>> WiringOf(const CZoDSPDoc& doc) {
    std::set<std::array<std::int32_t, 4>> wiring;
    for (const auto& link : doc.Links()) {
        const CBaseAriModule* to = doc.GetModuleById(link->m_sourceModule);
        if (to != nullptr && to->m_typeCode == kAriMeter)
            continue;
        wiring.insert(
            {link->m_sourceModule, link->m_sourceChannel, link->m_destModule, link->m_destChannel});
    }
    return wiring;
}

} // namespace

CFirmTemplateController::CFirmTemplateController(CZoDSPView& view, std::filesystem::path ini,
                                                 IFileChooser* chooser)
    : m_view(view), m_doc(view.GetDocument()), m_ini(std::move(ini)), m_chooser(chooser) {}

void CFirmTemplateController::OnInitDialog() {
    m_rows.clear();
    CStoredTemplateIni ini(m_ini);
    const TemplateSlotPaths paths = ini.Paths(m_doc.m_unitMac);
    for (int slot = 1; slot <= kTemplateSlots; ++slot) {
        const std::string& path = paths[TemplateSlotIndex(slot)];
        if (FileExists(path))
            m_rows.push_back({slot, ini.StructName(m_doc.m_unitMac, slot),
                              ini.ParamName(m_doc.m_unitMac, slot), path});
        else if (!path.empty())
            ini.EmptySlot(m_doc.m_unitMac, slot);
    }
}

StoredTemplateRow* CFirmTemplateController::RowOf(int slot) {
    const auto row = std::find_if(m_rows.begin(), m_rows.end(),
                                  [&](const StoredTemplateRow& r) { return r.slot == slot; });
    return row == m_rows.end() ? nullptr : &*row;
}

void CFirmTemplateController::OnSelectSlot(int slot) {
    if (!IsTemplateSlot(slot)) {
        model::ShowMessage(resources::kMsgBadTemplateSlot);
        return;
    }
    m_slot = slot;
    const StoredTemplateRow* row = RowOf(slot);
    m_slotStored = row != nullptr;
    m_structName = row ? row->structName : "";
    m_paramName = row ? row->paramName : "";
    m_path = row && FileExists(row->path) ? row->path : "";
}

void CFirmTemplateController::OnBrowse() {
    if (m_chooser == nullptr)
        return;
    std::string_view proposed = m_doc.GetTitle();
    if (proposed.ends_with(kModifiedSuffix))
        proposed.remove_suffix(kModifiedSuffix.size());
    if (const std::optional<std::string> chosen =
            m_chooser->ChooseSaveFile(proposed, kTemplateFilter))
        m_path = WithTemplateSuffix(*chosen);
}

void CFirmTemplateController::OnBnClickedReadFromDevice() {
    for (int slot = 1; slot <= kTemplateSlots; ++slot)
        m_view.Console().SendText(platform::text::format("GETNM%02d", slot), true);
}

bool CFirmTemplateController::OnNameReply(std::string_view text) {
    if (text.starts_with('*'))
        text.remove_prefix(1);
    if (text.ends_with('#'))
        text.remove_suffix(1);
    if (!text.starts_with(kNameReplyHead) || text.size() < kNameReplyLength)
        return false;
    const char tens = text[kNameReplyHead.size()], ones = text[kNameReplyHead.size() + 1];
    if (tens < '0' || tens > '9' || ones < '0' || ones > '9')
        return false;
    const int slot = (tens - '0') * 10 + (ones - '0');
    if (!IsTemplateSlot(slot))
        return false;
    const std::size_t names = kNameReplyHead.size() + 2;
    const std::string structName(TrimRight(text.substr(names, kTemplateNameLength)));
    const std::string paramName(
        TrimRight(text.substr(names + kTemplateNameLength, kTemplateNameLength)));
    if (StoredTemplateRow* row = RowOf(slot)) {
        row->structName = structName;
        row->paramName = paramName;
    } else {
        m_rows.push_back({slot, structName, paramName, ""});
    }
    if (m_rowsChanged)
        m_rowsChanged();
    return true;
}

bool CFirmTemplateController::Refuse(int message, int control) {
    model::ShowMessage(message);
    m_focus = control;
    return false;
}

bool CFirmTemplateController::OnOK() {
    m_focus = 0;
    if (!IsTemplateSlot(m_slot))
        return Refuse(resources::kMsgBadTemplateSlot, kCtlSlot);
    if (const int problem = NameProblem(m_structName, resources::kMsgStructNameEmpty, resources::kMsgStructNameTooLong,
                                        resources::kMsgStructNameNotAscii))
        return Refuse(problem, kCtlStructName);
    if (!CheckStructure(m_structName))
        return Refuse(resources::kMsgStructureDiffers, kCtlStructName);
    if (const int problem = NameProblem(m_paramName, resources::kMsgParamNameEmpty, resources::kMsgParamNameTooLong,
                                        resources::kMsgParamNameNotAscii))
        return Refuse(problem, kCtlParamName);
    if (m_path.empty())
        return Refuse(resources::kMsgTemplatePathEmpty, kCtlPath);
    // Asked before anything is written: No leaves the file and the document.
    if (m_slotStored && model::Ask(resources::kMsgAskOverwriteSlot, EMessageButtons::YesNo,
                                   EMessageAnswer::Yes) != EMessageAnswer::Yes)
        return false;

    // The file is a copy: the document keeps its own path.
    const std::int32_t slot = m_doc.m_templateSlot;
    std::string structName = std::move(m_doc.m_templateStructName);
    std::string paramName = std::move(m_doc.m_templateParamName);
    m_doc.m_templateSlot = m_slot;
    m_doc.m_templateStructName = m_structName;
    m_doc.m_templateParamName = m_paramName;
    try {
        pa::write_file_atomic(m_path, m_doc.SaveDocument());
    } catch (const std::system_error&) {
        m_doc.m_templateSlot = slot;
        m_doc.m_templateStructName = std::move(structName);
        m_doc.m_templateParamName = std::move(paramName);
        return Refuse(resources::kMsgTemplateSaveFailed, kCtlPath);
    }
    if (IDspMainFrame* frame = m_doc.GetMainFrame())
        frame->CleanRecentFiles();
    m_doc.SetModifiedFlag(true);
    return true;
}

bool CFirmTemplateController::CheckStructure(std::string_view name) const {
    const std::size_t length = CharCount(name);
    if (length < 1 || length > kTemplateNameLength)
        return false;
    if (const IDspMainFrame* frame = m_doc.GetMainFrame(); frame && !frame->OpenDspViews()) {
        model::ShowMessage(resources::kMsgNoDocumentTemplate);
        return false;
    }
    const CStoredTemplateIni ini(m_ini);
    const TemplateSlotPaths paths = ini.Paths(m_doc.m_unitMac);
    for (int slot = 1; slot <= kTemplateSlots; ++slot) {
        const std::string& path = paths[TemplateSlotIndex(slot)];
        if (slot == m_slot || path.empty() || ini.StructName(m_doc.m_unitMac, slot) != name)
            continue;
        const std::unique_ptr<CZoDSPDoc> other = OpenTemplateSheet(path);
        if (!other || !IsSameStructure(m_doc, *other))
            return false;
    }
    return true;
}

bool CFirmTemplateController::IsSameStructure(const CZoDSPDoc& a, const CZoDSPDoc& b) {
    const auto slotOk = [](const CZoDSPDoc& d) {
        return d.m_templateSlot >= 0 && d.m_templateSlot <= kTemplateSlots;
    };
    if (!slotOk(a) || !slotOk(b))
        return false;
    const int orders = OrderCount(a);
    if (orders != OrderCount(b))
        return false;
    for (int order = 1; order <= orders; ++order) {
        const CBaseAriModule* x = FirstWithOrder(a, order);
        const CBaseAriModule* y = FirstWithOrder(b, order);
        if (x == nullptr || y == nullptr || x->m_typeCode != y->m_typeCode ||
            x->m_subType != y->m_subType)
            return false;
    }
    return WiringOf(a) == WiringOf(b);
}

} // namespace dsp_editor
