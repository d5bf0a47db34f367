#include "dsp_editor/stored_templates.h"

#include <algorithm>
#include <set>
#include <system_error>

#include "dsp_editor/zo_dsp_doc.h"
#include "dsp_editor/zo_dsp_view.h"
#include "model/messages.h"
#include "model/module_parameters.h"
#include "platform/app_paths/app_paths.h"
#include "platform/archive/file.h"
#include "platform/text/ascii.h"
#include "platform/text/format.h"
#include "resources/message_ids.h"

namespace dsp_editor {

using namespace model;
namespace pa = platform::archive;

namespace {

constexpr std::string_view kUnitCountSection = "FirAriTemplateNum";
constexpr std::string_view kUnitCountKey = "Number";
constexpr std::string_view kUnitMacSection = "FirmAriTemplateDeviceMAC";
// Buffer sizes the values are read with: a MAC of up to 20 characters, a
// path of up to 500.
constexpr std::size_t kMacBuffer = 21;
constexpr std::size_t kPathBuffer = 501;

constexpr std::string_view kModifiedSuffix = " *";
// A name reply: "GETNM", the slot in two digits, the two names.
constexpr std::string_view kNameReplyHead = "GETNM";
constexpr std::size_t kNameReplyLength = kNameReplyHead.size() + 2 + 2 * kTemplateNameLength;

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), platform::text::ascii_lower);
    return lower;
}

std::string UnitSection(std::string_view mac) {
    return std::string(mac) + "-FirmAriTemplate";
}

std::string SlotKey(int slot) {
    return std::to_string(slot);
}

bool IsSlot(int slot) {
    return slot >= 1 && slot <= kTemplateSlots;
}

// A name in its field of the *SAVEM command: blank-padded, cut to length.
std::string NameField(std::string_view name) {
    std::string field(name.substr(0, std::min(name.size(), kTemplateNameLength)));
    field.resize(kTemplateNameLength, ' ');
    return field;
}

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

bool IsTextOrMeter(const CBaseAriModule& module) {
    return module.m_typeCode == kAriText || module.m_typeCode == kAriMeter;
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

// The head of a download program: the reset, the blocks and the wires.
// Its parameters, taps and end are dropped.
class CStructureSink final : public IProgramSink {
public:
    explicit CStructureSink(IProgramSink& to) : m_to(to) {}
    void Text(std::string_view text) override {
        if (text == "RST")
            m_to.Text(text);
    }
    void MDU(int type, int order, int variant) override { m_to.MDU(type, order, variant); }
    void ILK(int toOrder, int toPin, int fromOrder, int fromPin) override {
        m_to.ILK(toOrder, toPin, fromOrder, fromPin);
    }
    void SetI(int, int, int) override {}
    void SetF(int, int, float) override {}
    void SetII(int, int, int, int) override {}
    void SetIF(int, int, int, float) override {}
    void SetIIF(int, int, int, int, float) override {}
    void SetFF(int, int, float, float) override {}
    void Biquad(int, int, const BiquadCoeffs&) override {}

private:
    IProgramSink& m_to;
};

// Writes reset commands so that each stands once from the start of the
// store program on, at the place of its last writing.
class CResetWriter final : public IParameterSink {
public:
    CResetWriter(CStoreList& list, std::size_t start) : m_list(list), m_start(start) {}

    void SetI(int o, int code, int value) override {
        m_list.SetI(o, code, value);
        m_list.KeepLastOnce(m_start, 1);
    }
    void SetF(int o, int code, float value) override {
        m_list.SetF(o, code, value);
        m_list.KeepLastOnce(m_start, 1);
    }
    void SetII(int o, int code, int index, int value) override {
        m_list.SetII(o, code, index, value);
        m_list.KeepLastOnce(m_start, 1);
    }
    void SetIF(int o, int code, int index, float value) override {
        m_list.SetIF(o, code, index, value);
        m_list.KeepLastOnce(m_start, 1);
    }
    void SetIIF(int o, int code, int a, int b, float value) override {
        m_list.SetIIF(o, code, a, b, value);
        m_list.KeepLastOnce(m_start, 1);
    }
    void SetFF(int o, int code, float a, float b) override {
        m_list.SetFF(o, code, a, b);
        m_list.KeepLastOnce(m_start, 1);
    }
    // A section's two lines stand once together.
    void Biquad(int o, int index, const BiquadCoeffs& section) override {
        m_list.Biquad(o, index, section);
        m_list.KeepLastOnce(m_start, 2);
    }

private:
    CStoreList& m_list;
    std::size_t m_start;
};

std::size_t Ix(int index) {
    return static_cast<std::size_t>(index);
}

// The module's parameters off their reset state, put back as its table
// says; a filter's bypass stands once for every template that needs it.
void ResetModule(const CBaseAriModule& module, CResetWriter& w, CStoreList& list) {
    WriteModuleResets(module, w, list);
}

// The highest execution order of a sheet read from its file: the inputs',
// the processing modules' and the outputs'.
std::int32_t HighestOrder(const CZoDSPDoc& doc) {
    const auto processing =
        std::count_if(doc.Modules().begin(), doc.Modules().end(), [](const auto& m) {
            return m->m_typeCode != kAriInput && m->m_typeCode != kAriOutput && !IsTextOrMeter(*m);
        });
    return 2 + static_cast<std::int32_t>(processing);
}

// The text a builder queued, less its last `values` blank-separated parts.
std::string HeadOf(const std::string& command, int values) {
    std::size_t end = command.size();
    for (int i = 0; i < values; ++i) {
        if (end == 0)
            return command;
        end = command.rfind(' ', end - 1);
        if (end == std::string::npos)
            return command;
    }
    return command.substr(0, end + 1);
}

} // namespace

// -- the ini

TemplateSlotPaths WithSlotPath(TemplateSlotPaths paths, int slot, std::string_view path) {
    const std::string lower = Lower(path);
    for (std::string& other : paths)
        if (Lower(other) == lower)
            other.clear();
    if (IsSlot(slot))
        paths[Ix(slot - 1)] = std::string(path);
    return paths;
}

int CStoredTemplateIni::UnitKey(std::string_view mac) const {
    const std::string lower = Lower(mac);
    const int units = m_ini.read_int(kUnitCountSection, kUnitCountKey, 0);
    for (int key = 1; key <= units; ++key)
        if (Lower(m_ini.read_string(kUnitMacSection, SlotKey(key), "", kMacBuffer)) == lower)
            return key;
    return 0;
}

TemplateSlotPaths CStoredTemplateIni::Paths(std::string_view mac) const {
    TemplateSlotPaths paths;
    if (UnitKey(mac) == 0)
        return paths;
    const std::string section = UnitSection(mac);
    for (int slot = 1; slot <= kTemplateSlots; ++slot)
        paths[Ix(slot - 1)] = m_ini.read_string(section, SlotKey(slot), "", kPathBuffer);
    return paths;
}

std::string CStoredTemplateIni::StructName(std::string_view mac, int slot) const {
    return m_ini.read_string(UnitSection(mac), SlotKey(slot) + "TYPENAME", "");
}

std::string CStoredTemplateIni::ParamName(std::string_view mac, int slot) const {
    return m_ini.read_string(UnitSection(mac), SlotKey(slot) + "CHILDTYPENAME", "");
}

bool CStoredTemplateIni::EmptySlot(std::string_view mac, int slot) {
    return m_ini.write_string(UnitSection(mac), SlotKey(slot), "");
}

bool CStoredTemplateIni::Record(std::string_view mac, int slot, std::string_view path,
                                std::string_view structName, std::string_view paramName) {
    const std::string section = UnitSection(mac);
    const std::string lower = Lower(path);
    bool written = true;
    for (int other = 1; other <= kTemplateSlots; ++other)
        if (other != slot &&
            Lower(m_ini.read_string(section, SlotKey(other), "", kPathBuffer)) == lower)
            written = m_ini.write_string(section, SlotKey(other), "") && written;
    written = m_ini.write_string(section, SlotKey(slot), path) && written;
    written = m_ini.write_string(section, SlotKey(slot) + "TYPENAME", structName) && written;
    written = m_ini.write_string(section, SlotKey(slot) + "CHILDTYPENAME", paramName) && written;
    if (UnitKey(mac) == 0) {
        const int units = m_ini.read_int(kUnitCountSection, kUnitCountKey, 0) + 1;
        written = m_ini.write_string(kUnitCountSection, kUnitCountKey, SlotKey(units)) && written;
        written = m_ini.write_string(kUnitMacSection, SlotKey(units), mac) && written;
    }
    return written;
}

std::unique_ptr<CZoDSPDoc> OpenTemplateSheet(const std::filesystem::path& path) {
    auto doc = std::make_unique<CZoDSPDoc>();
    try {
        doc->OnOpenDocument(path);
    } catch (const std::system_error&) {
        model::ShowMessage(resources::kMsgOpenFileFailed);
        return nullptr;
    } catch (const pa::archive_error&) {
        model::ShowMessage(resources::kMsgOpenFileFailed);
        return nullptr;
    }
    return doc;
}

// -- the store list

void CStoreList::Sent(int values) {
    const std::vector<std::string> queued = m_format.Queue(comm::EConsoleQueue::Store);
    m_format.ClearStoreList();
    m_commands.insert(m_commands.end(), queued.begin(), queued.end());
    if (values == 0 || !m_pruneFrom || queued.empty())
        return;
    PruneStoreQueue(*m_pruneFrom, HeadOf(queued.front(), values), queued.front(),
                    queued.size() > 1 ? std::string_view(queued[1]) : std::string_view());
}

void CStoreList::PruneStoreQueue(std::size_t start, std::string_view prefix,
                                 std::string_view command, std::string_view second) {
    if (start >= m_commands.size())
        return;
    const auto from = m_commands.begin() + static_cast<std::ptrdiff_t>(start);
    m_commands.erase(std::remove_if(from, m_commands.end(),
                                    [&](const std::string& entry) {
                                        return entry.starts_with(prefix) && entry != command &&
                                               (second.empty() || entry != second);
                                    }),
                     m_commands.end());
}

void CStoreList::KeepLastOnce(std::size_t start, std::size_t count) {
    if (count > m_commands.size() || start >= m_commands.size() - count)
        return;
    const auto last = m_commands.end() - static_cast<std::ptrdiff_t>(count);
    const std::vector<std::string> kept(last, m_commands.end());
    const auto from = m_commands.begin() + static_cast<std::ptrdiff_t>(start);
    const auto end = std::remove_if(from, last, [&](const std::string& entry) {
        return std::find(kept.begin(), kept.end(), entry) != kept.end();
    });
    m_commands.erase(end, last);
}

// -- the store program

void CompareFirmTemplates(const CZoDSPDoc& other, std::string_view structName, std::size_t start,
                          CStoreList& list) {
    if (other.m_templateStructName != structName)
        return;
    CResetWriter writer(list, start);
    for (const auto& module : other.Modules())
        ResetModule(*module, writer, list);
}

bool CollectFirmTemplates(const TemplateSlotPaths& paths, int slot, std::string_view structName,
                          std::size_t start, CStoreList& list) {
    for (int other = 1; other <= kTemplateSlots; ++other) {
        const std::string& path = paths[Ix(other - 1)];
        if (other == slot || path.empty())
            continue;
        const std::unique_ptr<CZoDSPDoc> doc = OpenTemplateSheet(path);
        if (!doc)
            return false;
        CompareFirmTemplates(*doc, structName, start, list);
    }
    return true;
}

bool BuildFirmTemplateCommands(CZoDSPDoc& stored, const TemplateSlotPaths& paths,
                               CStoreList& list) {
    const std::size_t start = list.Size();
    list.Text(platform::text::format("SAVEM%02d", stored.m_templateSlot) +
              NameField(stored.m_templateStructName) + NameField(stored.m_templateParamName));

    // A sheet read from its file keeps the order numbers it was stored with
    // but not the flag that vouches for them.
    stored.m_outputOrder = HighestOrder(stored);
    stored.m_orderOk = 1;
    CStructureSink structure(list);
    if (WriteDownloadProgram(stored, structure) == EProgramResult::BadLink) {
        model::ShowMessage(resources::kMsgBadLink);
        return false;
    }

    if (!CollectFirmTemplates(paths, stored.m_templateSlot, stored.m_templateStructName, start,
                              list)) {
        model::ShowMessage(resources::kMsgResetsFailed);
        return false;
    }

    list.PruneParametersFrom(start);
    for (const auto& module : stored.Modules())
        WriteParameters(*module, list);
    list.PruneParametersFrom(std::nullopt);
    for (const auto& module : stored.Modules())
        if (module->m_typeCode == kAriMeter)
            WriteMeterTaps(stored, *module, list);
    stored.m_programBuilt = 1;
    list.Text("ENDD");
    list.Text("RUN");
    list.Text("ENDMD");
    return true;
}

// -- the template dialog

CDSPDlgFirmTemplate::CDSPDlgFirmTemplate(CZoDSPView& view, std::filesystem::path ini,
                                         IFileChooser* chooser)
    : m_view(view), m_doc(view.GetDocument()), m_ini(std::move(ini)), m_chooser(chooser) {}

void CDSPDlgFirmTemplate::OnInitDialog() {
    m_rows.clear();
    CStoredTemplateIni ini(m_ini);
    const TemplateSlotPaths paths = ini.Paths(m_doc.m_unitMac);
    for (int slot = 1; slot <= kTemplateSlots; ++slot) {
        const std::string& path = paths[Ix(slot - 1)];
        if (FileExists(path))
            m_rows.push_back({slot, ini.StructName(m_doc.m_unitMac, slot),
                              ini.ParamName(m_doc.m_unitMac, slot), path});
        else if (!path.empty())
            ini.EmptySlot(m_doc.m_unitMac, slot);
    }
}

StoredTemplateRow* CDSPDlgFirmTemplate::RowOf(int slot) {
    const auto row = std::find_if(m_rows.begin(), m_rows.end(),
                                  [&](const StoredTemplateRow& r) { return r.slot == slot; });
    return row == m_rows.end() ? nullptr : &*row;
}

void CDSPDlgFirmTemplate::OnSelectSlot(int slot) {
    if (!IsSlot(slot)) {
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

void CDSPDlgFirmTemplate::OnBrowse() {
    if (m_chooser == nullptr)
        return;
    std::string_view proposed = m_doc.GetTitle();
    if (proposed.ends_with(kModifiedSuffix))
        proposed.remove_suffix(kModifiedSuffix.size());
    if (const std::optional<std::string> chosen =
            m_chooser->ChooseSaveFile(proposed, kTemplateFilter))
        m_path = WithTemplateSuffix(*chosen);
}

void CDSPDlgFirmTemplate::OnBnClickedReadFromDevice() {
    for (int slot = 1; slot <= kTemplateSlots; ++slot)
        m_view.Console().SendText(platform::text::format("GETNM%02d", slot), true);
}

bool CDSPDlgFirmTemplate::OnNameReply(std::string_view text) {
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
    if (!IsSlot(slot))
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

bool CDSPDlgFirmTemplate::Refuse(int message, int control) {
    model::ShowMessage(message);
    m_focus = control;
    return false;
}

bool CDSPDlgFirmTemplate::OnOK() {
    m_focus = 0;
    if (!IsSlot(m_slot))
        return Refuse(resources::kMsgBadTemplateSlot, kCtlSlot);
    if (const int problem =
            NameProblem(m_structName, resources::kMsgStructNameEmpty,
                        resources::kMsgStructNameTooLong, resources::kMsgStructNameNotAscii))
        return Refuse(problem, kCtlStructName);
    if (!CheckStructure(m_structName))
        return Refuse(resources::kMsgStructureDiffers, kCtlStructName);
    if (const int problem =
            NameProblem(m_paramName, resources::kMsgParamNameEmpty, resources::kMsgParamNameTooLong,
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

bool CDSPDlgFirmTemplate::CheckStructure(std::string_view name) const {
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
        const std::string& path = paths[Ix(slot - 1)];
        if (slot == m_slot || path.empty() || ini.StructName(m_doc.m_unitMac, slot) != name)
            continue;
        const std::unique_ptr<CZoDSPDoc> other = OpenTemplateSheet(path);
        if (!other || !IsSameStructure(m_doc, *other))
            return false;
    }
    return true;
}

bool CDSPDlgFirmTemplate::IsSameStructure(const CZoDSPDoc& a, const CZoDSPDoc& b) {
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

// -- the view

std::filesystem::path CZoDSPView::TemplateIni() const {
    return m_templateIni.empty() ? platform::app_paths::ProgramIniPath() : m_templateIni;
}

void CZoDSPView::OnTemplateNameReply(std::string_view reply) {
    if (m_templateDialog != 0 && m_firmTemplateDialog != nullptr)
        m_firmTemplateDialog->OnNameReply(reply);
}

void CZoDSPView::OnSolidifyTemplates() {
    CZoDSPDoc& doc = m_document;
    if (doc.m_live == 0)
        return;
    CDSPDlgFirmTemplate dialog(*this, TemplateIni(), m_chooser);
    m_firmTemplateDialog = &dialog;
    m_templateDialog = 1;
    const bool ok = m_window != nullptr && m_window->RunFirmTemplateDialog(dialog);
    m_templateDialog = 0;
    m_firmTemplateDialog = nullptr;
    if (!ok)
        return;

    const int slot = dialog.Slot();
    if (dialog.m_path.empty())
        return model::ShowMessage(resources::kMsgTemplateSaveFailed);
    if (dialog.m_structName.empty())
        return model::ShowMessage(resources::kMsgStructNameEmpty);
    if (dialog.m_paramName.empty())
        return model::ShowMessage(resources::kMsgParamNameEmpty);
    if (!IsSlot(slot))
        return model::ShowMessage(resources::kMsgBadTemplateSlot);
    if (doc.m_orderOk == 0)
        return model::ShowMessage(resources::kMsgOrderNotSet);
    if (const IDspMainFrame* frame = doc.GetMainFrame(); frame && !frame->OpenDspViews())
        return model::ShowMessage(resources::kMsgNoDocumentTemplate);

    // Every template of the unit with this structure name is stored again,
    // in slot order, each from its saved file; the program is made aside
    // and queued only once it is whole, and the ini follows only then.
    CStoredTemplateIni ini(TemplateIni());
    const TemplateSlotPaths paths = WithSlotPath(ini.Paths(doc.m_unitMac), slot, dialog.m_path);
    CStoreList program(this);
    for (const std::string& path : paths) {
        if (path.empty())
            continue;
        const std::unique_ptr<CZoDSPDoc> stored = OpenTemplateSheet(path);
        if (!stored)
            return;
        if (stored->m_templateStructName == dialog.m_structName &&
            !BuildFirmTemplateCommands(*stored, paths, program))
            return;
    }
    m_console.ClearStoreList();
    m_console.AppendStoreCommands(program.Commands());
    ini.Record(doc.m_unitMac, slot, dialog.m_path, dialog.m_structName, dialog.m_paramName);

    m_stopRequest = 0;
    m_progress = 1;
    m_progressCountsPending = 1;
}

void CZoDSPView::SwitchToStoredTemplate(std::int32_t slot) {
    CZoDSPDoc& doc = m_document;
    doc.m_live = 0;
    if (doc.CheckResources() == 0)
        return;
    if (doc.AssignExecutionOrder() == 0)
        return model::ShowMessage(resources::kMsgOrderFailed);
    IDspMainFrame* frame = doc.GetMainFrame();
    const bool active = frame != nullptr && frame->ActiveDspView() == this;
    if (active)
        frame->ShowDspStatus(StatusFigures(doc.m_orderOk != 0));
    // Built only to prove the sheet whole; the clear discards it.
    if (!BuildDownloadCommands(false))
        return model::ShowMessage(resources::kMsgBuildFailed);
    m_console.ClearAll();
    m_console.ResetCounters();

    m_stopRequest = 0;
    doc.m_live = 1;
    if (active)
        frame->SetRunState(true);
    if (m_window != nullptr)
        m_window->Repaint();
    m_console.SendText(platform::text::format("CHANM%02d", slot), true);
}

} // namespace dsp_editor
