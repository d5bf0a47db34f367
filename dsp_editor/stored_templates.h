#pragma once
// Templates stored on the DSP unit: up to eight programs the unit keeps in
// slots 01-08 and switches between by itself. Storing sends the sheet's
// download program framed by "*SAVEM" and "*ENDMD#"; because the unit keeps
// parameter values across its templates, each store program also resets
// every parameter that another stored template of the same structure name
// changed. Every template of the unit with that name is stored again, each
// from its saved sheet file, in slot order.
//
// Ostrel.ini lists them: [FirAriTemplateNum] Number (units listed),
// [FirmAriTemplateDeviceMAC] 1..Number (their MACs), and per unit
// [<MAC>-FirmAriTemplate] <slot> (sheet file path), <slot>TYPENAME and
// <slot>CHILDTYPENAME (structure and parameter names).
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "comm/dsp_console.h"
#include "dsp_editor/download_program.h"
#include "dsp_editor/dsp_seams.h"
#include "platform/profile/profile.h"

namespace dsp_editor {

class CZoDSPDoc;
class CZoDSPView;

inline constexpr int kTemplateSlots = 8;
// Both names travel in fields of this many characters.
inline constexpr std::size_t kTemplateNameLength = 12;

// The sheet file of each slot of one unit, slot 1 first; empty: none.
using TemplateSlotPaths = std::array<std::string, kTemplateSlots>;

// The slots after `path` is stored to `slot` (1-8): every other slot
// holding the same path (compared in lower case) is emptied.
TemplateSlotPaths WithSlotPath(TemplateSlotPaths paths, int slot, std::string_view path);

// The stored templates' records in the ini file.
class CStoredTemplateIni {
public:
    explicit CStoredTemplateIni(std::filesystem::path path) : m_ini(std::move(path)) {}

    // The slots of the unit (all empty when it is not listed).
    TemplateSlotPaths Paths(std::string_view mac) const;
    std::string StructName(std::string_view mac, int slot) const;
    std::string ParamName(std::string_view mac, int slot) const;
    // Empties the path of a slot whose file went missing.
    bool EmptySlot(std::string_view mac, int slot);
    // Records a store: the slot's path and names, every other slot with the
    // same path emptied, the unit listed when it was not.
    bool Record(std::string_view mac, int slot, std::string_view path, std::string_view structName,
                std::string_view paramName);

private:
    // The unit's key in the MAC list (1..Number), 0 when it is not listed.
    int UnitKey(std::string_view mac) const;

    platform::profile::ini_file_t m_ini;
};

// A sheet file opened as a second document, or null after message 286.
std::unique_ptr<CZoDSPDoc> OpenTemplateSheet(const std::filesystem::path& path);

// A store program being made, aside from the console until it is whole:
// each command as the console would list it (maker prefix and "#"), formatted
// by the console's own builders for the view's unit.
class CStoreList final : public CConsoleBuilderSink {
public:
    // `owner` pairs channels as the view's console does. The base keeps a
    // reference to the list's own console, which is made after it.
    explicit CStoreList(const comm::IConsoleOwner* owner)
        : CConsoleBuilderSink(m_format, true), m_format(owner) {}

    const std::vector<std::string>& Commands() const { return m_commands; }
    std::size_t Size() const { return m_commands.size(); }

    // Removes every entry from `start` on that begins with `prefix` and
    // differs from `command` and, when not empty, from `second`.
    void PruneStoreQueue(std::size_t start, std::string_view prefix, std::string_view command,
                         std::string_view second = {});
    // While set, every parameter command written removes the entries from
    // `start` on that set the same parameter to another value: those that
    // begin with its head (the text before its value part; a biquad's two
    // lines share one).
    void PruneParametersFrom(std::optional<std::size_t> start) { m_pruneFrom = start; }
    // The last `count` entries each stand once from `start` on: earlier
    // equal entries go.
    void KeepLastOnce(std::size_t start, std::size_t count);

private:
    // Moves what the builder just queued into the list; `values` is the
    // number of value parts of a parameter command, 0 for another command.
    void Sent(int values) override;

    comm::CDSPDlgShowCMD m_format;
    std::vector<std::string> m_commands;
    std::optional<std::size_t> m_pruneFrom;
};

// The reset commands `other` (another stored template) needs: when its
// structure name is `structName` (case-sensitive), for each of its
// parameters off the reset state the command that resets it; each stands
// once from `start` on, except a filter's bypass, once per template.
void CompareFirmTemplates(const CZoDSPDoc& other, std::string_view structName, std::size_t start,
                          CStoreList& list);
// CompareFirmTemplates for the template of every slot but `slot`; false
// when a file cannot be opened (286).
bool CollectFirmTemplates(const TemplateSlotPaths& paths, int slot, std::string_view structName,
                          std::size_t start, CStoreList& list);
// The store program of the template `stored` (opened from its file; its
// stored execution order numbers are taken as they are): *SAVEM, the
// structure, the resets the other slots need, its parameters (each
// replacing the resets of the same parameter), the meter taps, ENDD, RUN,
// *ENDMD. False after message 338 (a bad link) or 348 (the resets).
bool BuildFirmTemplateCommands(CZoDSPDoc& stored, const TemplateSlotPaths& paths, CStoreList& list);

// One row of the template dialog's list.
struct StoredTemplateRow {
    int slot = 0;
    std::string structName;
    std::string paramName;
    std::string path;
    friend bool operator==(const StoredTemplateRow&, const StoredTemplateRow&) = default;
};

// The template dialog (245) without its window: the slot chosen, the two
// names and the path, the list of stored templates, and what its buttons
// do. The window shows these and forwards to it.
class CDSPDlgFirmTemplate {
public:
    // Controls, by the ids their texts have in the language packs.
    static constexpr int kDialog = 245;
    static constexpr int kCtlList = 1330;
    static constexpr int kCtlSlot = 1331;
    static constexpr int kCtlStructName = 1332;
    static constexpr int kCtlParamName = 1333;
    static constexpr int kCtlPath = 1334;
    static constexpr int kCtlBrowse = 1015;
    static constexpr int kCtlReadFromDevice = 1228;

    // `chooser` may be null (no browsing).
    CDSPDlgFirmTemplate(CZoDSPView& view, std::filesystem::path ini, IFileChooser* chooser);

    // The list from the ini: a row for each slot of the unit whose file
    // exists; a slot whose file is missing has its ini path emptied.
    void OnInitDialog();
    // Called after the list changed (a name reply); null: nobody.
    void SetRowsChanged(std::function<void()> changed) { m_rowsChanged = std::move(changed); }
    const std::vector<StoredTemplateRow>& Rows() const { return m_rows; }

    // Chooses a slot (1-8; another shows 227): a listed slot marks it
    // stored and fills the edits with its row (no path when its file is
    // missing); another empties them.
    void OnSelectSlot(int slot);
    int Slot() const { return m_slot; }
    bool SlotStored() const { return m_slotStored; }

    // The edits.
    std::string m_structName;
    std::string m_paramName;
    std::string m_path;

    // The browse button: a Save dialog for a ".dmu" file proposing the
    // document's title; the path chosen goes into m_path.
    void OnBrowse();
    // Asks the unit for the names in its slots: "*GETNM01#" .. "*GETNM08#"
    // on the store queue.
    void OnBnClickedReadFromDevice();
    // A reply "GETNM<slot><structure name><parameter name>", with a "*"
    // before and a "#" after or not, the names 12 characters each: the
    // row of the slot takes the names (blanks after them dropped), or a row
    // is added. A shorter reply or a slot outside 1-8 is ignored. Whether
    // the list changed.
    bool OnNameReply(std::string_view text);

    // OK: the checks (227; 228, 214, 344; 346; 230, 229, 345; 224), each
    // failing one shown with FocusControl() set to its edit; over a stored
    // slot, question 226 (No keeps the dialog); then the document takes the
    // slot and names, is written to the path as a copy (it keeps its own
    // path; 225 on failure) and is marked modified. Whether the dialog
    // closes.
    bool OnOK();
    int FocusControl() const { return m_focus; }

    // Whether every other slot of the unit whose structure name is `name`
    // holds a sheet of the same structure as the document (286 when one
    // cannot be opened, 287 without a DSP document type). A name of 0 or
    // more than 12 characters fails.
    bool CheckStructure(std::string_view name) const;
    // Both stored to slots 0-8, with the same execution orders, each the
    // same type and variant, and the same links (ends and pins) apart from
    // those into meters.
    static bool IsSameStructure(const CZoDSPDoc& a, const CZoDSPDoc& b);

private:
    StoredTemplateRow* RowOf(int slot);
    bool Refuse(int message, int control);

    CZoDSPView& m_view;
    CZoDSPDoc& m_doc;
    std::filesystem::path m_ini;
    IFileChooser* m_chooser;
    std::vector<StoredTemplateRow> m_rows;
    std::function<void()> m_rowsChanged;
    int m_slot = 0;
    bool m_slotStored = false;
    int m_focus = 0;
};

} // namespace dsp_editor
