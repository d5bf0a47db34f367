#pragma once
// Binding groups of DSP modules: modules of one type and variant that share
// a group number (1 and up) follow each other's parameter changes. Here are
// the rules of the group dialog (create a group for a module, let it join
// one, remove members, rename a group) as a controller its window shows and
// forwards to, and the view's commands that take modules out of their groups.
//
// Group numbers count separately for every type and variant: an equalizer
// of one variant and a filter may both be in group 1 without being bound.
// Every member carries its group's name. Each change of a group marks the
// document modified; creating and joining are undo steps, removing,
// renaming, leaving and dissolving are not.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "comm/dsp_console.h"
#include "dsp_editor/dsp_seams.h"
#include "dsp_editor/zo_dsp_doc.h"
#include "model/base_ari_module.h"

namespace dsp_editor {

// How a module is named by id in the group and parameter dialogs: its
// execution order number, string 462 while it has none, string 463 for text
// and meter modules.
std::string ModuleIdText(const model::CBaseAriModule& module);

struct GroupItem {
    std::string name;
    std::int32_t number = 0;
    friend bool operator==(const GroupItem&, const GroupItem&) = default;
};

// The groups of a type and variant, one per number in the order their first
// members stand in the document, each named as that member names it.
std::vector<GroupItem> ListGroups(const CZoDSPDoc& doc, std::int32_t type, std::int32_t variant);
// The smallest number from 1 up that none of the groups carries.
std::int32_t LowestFreeGroupNumber(const std::vector<GroupItem>& groups);

// Takes every selected module that is in a group out of it. Returns whether
// any module changed.
bool LeaveGroups(CZoDSPDoc& doc, IGroupView* view);
// For every selected module in a group, takes every member of that group
// out of it, the selected module last. Returns whether any module changed.
bool DissolveGroups(CZoDSPDoc& doc, IGroupView* view);

enum class EGroupDialogMode { NewGroup = 1, JoinGroup = 2 };

// The group dialog of one module: the groups of the module's type and
// variant, the members of the group chosen among them, and what the dialog's
// buttons do. The module belongs to the document, which outlives the
// editor; the undo history and the view may be null.
class CGroupEditor {
public:
    struct MemberRow {
        std::string name;
        std::string idText;
        std::int32_t moduleId = 0;
        friend bool operator==(const MemberRow&, const MemberRow&) = default;
    };

    // Lists the groups and selects the first, with its members. Joining is
    // possible when there is a group and the module is in none yet.
    CGroupEditor(CZoDSPDoc& doc, model::CBaseAriModule& module, EGroupDialogMode mode,
                 comm::CDSPDlgShowCMD& console, IGroupUndo* undo, IGroupView* view);

    EGroupDialogMode Mode() const { return m_mode; }
    const model::CBaseAriModule& Module() const { return m_module; }

    const std::vector<GroupItem>& Groups() const { return m_groups; }
    // Index into Groups(), -1 when there is none.
    int SelectedGroup() const { return m_selectedGroup; }
    // Chooses a group and lists its members in document order; an index
    // outside Groups() does nothing.
    void SelectGroup(int index);

    const std::vector<MemberRow>& Members() const { return m_members; }
    // Index into Members(), -1 for none.
    int SelectedMember() const { return m_selectedMember; }
    void SelectMember(int row);

    bool CanJoin() const { return m_canJoin; }
    bool CanRemove() const { return m_selectedMember >= 0; }

    // The module joins the chosen group as one undo step: it takes the
    // group's number and name, then the parameters of the group's first
    // other member, whose changes go to the unit while the document is live.
    // A module already in a group shows message 471 and stays.
    void Join();
    // Asks 467; on Yes the chosen member leaves its group and the list.
    // Returns whether it left.
    bool RemoveSelectedMember();
    // Gives the chosen group a new name, on its list item and every member.
    // Nothing for an empty name or without a chosen group. Returns whether
    // it renamed.
    bool RenameSelectedGroup(const std::string& newName);
    // Whether a listed group's name begins with `name`, ASCII letters
    // compared without regard to case: such a name would be mistaken for
    // that group.
    bool IsGroupNameListed(std::string_view name) const;
    // The OK button: in new-group mode, for a module in no group, makes the
    // group `name` (the lowest free number) as one undo step. Returns whether
    // the dialog closes; an empty name (464) or the name of a listed group
    // (465, the same text exactly) keeps it open.
    bool Confirm(const std::string& name);

private:
    void MarkChanged(const model::CBaseAriModule& module);

    CZoDSPDoc& m_doc;
    model::CBaseAriModule& m_module;
    EGroupDialogMode m_mode;
    comm::CDSPDlgShowCMD& m_console;
    IGroupUndo* m_undo;
    IGroupView* m_view;
    std::vector<GroupItem> m_groups;
    int m_selectedGroup = -1;
    std::vector<MemberRow> m_members;
    int m_selectedMember = -1;
    bool m_canJoin = false;
};

// The rename dialog's OK for `newName` over the group `oldName` of `owner`:
// whether the dialog closes. An empty name (487) or one that
// owner.IsGroupNameListed finds (488) keeps it open; the old name itself
// closes it.
bool AcceptGroupRename(const CGroupEditor& owner, std::string_view oldName,
                       std::string_view newName);

} // namespace dsp_editor
