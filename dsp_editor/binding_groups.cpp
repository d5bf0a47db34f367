#include "dsp_editor/binding_groups.h"

#include <algorithm>

#include "dsp_editor/parameter_copy.h"
#include "model/messages.h"
#include "resources/message_ids.h"
#include "resources/string_table.h"

namespace dsp_editor {

namespace {

using model::CBaseAriModule;

bool SameKind(const CBaseAriModule& a, std::int32_t type, std::int32_t variant) {
    return a.m_typeCode == type && a.m_subType == variant;
}

bool InGroup(const CBaseAriModule& m, std::int32_t type, std::int32_t variant,
             std::int32_t number) {
    return number > 0 && m.m_group == number && SameKind(m, type, variant);
}

// Takes the module out of its group; whether it was in one.
bool LeaveGroup(CBaseAriModule& module, IGroupView* view) {
    if (module.m_group == 0 && module.m_groupName.empty())
        return false;
    module.m_group = 0;
    module.m_groupName.clear();
    if (view != nullptr)
        view->RedrawModule(module);
    return true;
}

char FoldCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithFolded(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char a, char b) { return FoldCase(a) == FoldCase(b); });
}

} // namespace

std::string ModuleIdText(const CBaseAriModule& module) {
    if (module.m_typeCode == model::kAriText || module.m_typeCode == model::kAriMeter)
        return std::string(resources::LoadString(resources::kStrOrderUndefined));
    if (module.m_order > 0)
        return std::to_string(module.m_order);
    return std::string(resources::LoadString(resources::kStrOrderNotSet));
}

std::vector<GroupItem> ListGroups(const CZoDSPDoc& doc, std::int32_t type, std::int32_t variant) {
    std::vector<GroupItem> groups;
    for (const auto& m : doc.Modules()) {
        if (m->m_group <= 0 || !SameKind(*m, type, variant))
            continue;
        const bool listed = std::any_of(groups.begin(), groups.end(),
                                        [&](const GroupItem& g) { return g.number == m->m_group; });
        if (!listed)
            groups.push_back({m->m_groupName, m->m_group});
    }
    return groups;
}

std::int32_t LowestFreeGroupNumber(const std::vector<GroupItem>& groups) {
    std::int32_t n = 1;
    while (std::any_of(groups.begin(), groups.end(),
                       [n](const GroupItem& g) { return g.number == n; }))
        ++n;
    return n;
}

bool LeaveGroups(CZoDSPDoc& doc, IGroupView* view) {
    bool changed = false;
    for (const auto& m : doc.Modules()) {
        if (m->m_selected != 0 && m->m_group > 0)
            changed |= LeaveGroup(*m, view);
    }
    if (changed)
        doc.SetModifiedFlag(true);
    return changed;
}

bool DissolveGroups(CZoDSPDoc& doc, IGroupView* view) {
    bool changed = false;
    for (const auto& selected : doc.Modules()) {
        if (selected->m_selected == 0 || selected->m_group <= 0)
            continue;
        const std::int32_t type = selected->m_typeCode, variant = selected->m_subType,
                           number = selected->m_group;
        for (const auto& m : doc.Modules()) {
            if (m.get() != selected.get() && InGroup(*m, type, variant, number))
                changed |= LeaveGroup(*m, view);
        }
        changed |= LeaveGroup(*selected, view);
    }
    if (changed)
        doc.SetModifiedFlag(true);
    return changed;
}

CGroupEditor::CGroupEditor(CZoDSPDoc& doc, CBaseAriModule& module, EGroupDialogMode mode,
                           comm::CDSPDlgShowCMD& console, IGroupUndo* undo, IGroupView* view)
    : m_doc(doc), m_module(module), m_mode(mode), m_console(console), m_undo(undo), m_view(view),
      m_groups(ListGroups(doc, module.m_typeCode, module.m_subType)) {
    if (!m_groups.empty())
        SelectGroup(0);
    m_canJoin = !m_groups.empty() && m_module.m_group == 0;
}

void CGroupEditor::SelectGroup(int index) {
    if (index < 0 || index >= static_cast<int>(m_groups.size()))
        return;
    m_selectedGroup = index;
    m_selectedMember = -1;
    m_members.clear();
    const std::int32_t number = m_groups[static_cast<std::size_t>(index)].number;
    for (const auto& m : m_doc.Modules()) {
        if (InGroup(*m, m_module.m_typeCode, m_module.m_subType, number))
            m_members.push_back({m->m_name, ModuleIdText(*m), m->m_id});
    }
}

void CGroupEditor::SelectMember(int row) {
    m_selectedMember = row >= 0 && row < static_cast<int>(m_members.size()) ? row : -1;
}

void CGroupEditor::MarkChanged(const CBaseAriModule& module) {
    if (m_view != nullptr)
        m_view->RedrawModule(module);
    m_doc.SetModifiedFlag(true);
}

void CGroupEditor::Join() {
    if (m_module.m_group != 0) {
        model::ShowMessage(resources::kMsgModuleAlreadyGrouped);
        return;
    }
    if (m_selectedGroup < 0)
        return;
    const GroupItem& group = m_groups[static_cast<std::size_t>(m_selectedGroup)];
    m_module.m_group = group.number;
    m_module.m_groupName = group.name;
    m_members.push_back({m_module.m_name, ModuleIdText(m_module), m_module.m_id});
    if (m_undo != nullptr) {
        m_undo->BeginStep();
        m_undo->RecordGroup(m_module);
    }
    MarkChanged(m_module);

    const auto& modules = m_doc.Modules();
    const auto first = std::find_if(modules.begin(), modules.end(), [&](const auto& m) {
        return m->m_id != m_module.m_id &&
               InGroup(*m, m_module.m_typeCode, m_module.m_subType, group.number);
    });
    if (first != modules.end()) {
        CBaseAriModule* after = m_undo != nullptr ? m_undo->RecordParameters(m_module) : nullptr;
        SendParameterChanges(**first, m_module, m_doc.m_live != 0, m_console);
        if (after != nullptr)
            SendParameterChanges(**first, *after, false, m_console);
        if (m_view != nullptr)
            m_view->RefreshAttriDialogs(m_module);
    }
    m_canJoin = false;
}

bool CGroupEditor::RemoveSelectedMember() {
    if (m_selectedMember < 0)
        return false;
    if (model::Ask(resources::kMsgAskRemoveMembers, model::EMessageButtons::YesNo,
                   model::EMessageAnswer::Yes) != model::EMessageAnswer::Yes)
        return false;
    const auto row = m_members.begin() + m_selectedMember;
    if (CBaseAriModule* member = m_doc.GetModuleById(row->moduleId)) {
        if (LeaveGroup(*member, m_view))
            m_doc.SetModifiedFlag(true);
        if (member == &m_module)
            m_canJoin = true;
    }
    m_members.erase(row);
    m_selectedMember = -1;
    return true;
}

bool CGroupEditor::RenameSelectedGroup(const std::string& newName) {
    if (m_selectedGroup < 0 || newName.empty())
        return false;
    // The chosen item itself: another group whose name merely begins with
    // the same letters must keep its name.
    GroupItem& group = m_groups[static_cast<std::size_t>(m_selectedGroup)];
    group.name = newName;
    bool changed = false;
    for (const auto& m : m_doc.Modules()) {
        if (InGroup(*m, m_module.m_typeCode, m_module.m_subType, group.number) &&
            m->m_groupName != newName) {
            m->m_groupName = newName;
            changed = true;
        }
    }
    if (changed)
        m_doc.SetModifiedFlag(true);
    return true;
}

bool CGroupEditor::IsGroupNameListed(std::string_view name) const {
    return std::any_of(m_groups.begin(), m_groups.end(),
                       [name](const GroupItem& g) { return StartsWithFolded(g.name, name); });
}

bool CGroupEditor::Confirm(const std::string& name) {
    if (m_mode != EGroupDialogMode::NewGroup || m_module.m_group != 0)
        return true;
    if (name.empty()) {
        model::ShowMessage(resources::kMsgGroupNameEmpty);
        return false;
    }
    if (std::any_of(m_groups.begin(), m_groups.end(),
                    [&name](const GroupItem& g) { return g.name == name; })) {
        model::ShowMessage(resources::kMsgGroupNameTaken);
        return false;
    }
    m_module.m_groupName = name;
    m_module.m_group = LowestFreeGroupNumber(m_groups);
    if (m_undo != nullptr) {
        m_undo->BeginStep();
        m_undo->RecordGroup(m_module);
    }
    MarkChanged(m_module);
    return true;
}

bool AcceptGroupRename(const CGroupEditor& owner, std::string_view oldName,
                       std::string_view newName) {
    if (newName.empty()) {
        model::ShowMessage(resources::kMsgNewGroupNameEmpty);
        return false;
    }
    if (newName == oldName)
        return true;
    if (owner.IsGroupNameListed(newName)) {
        model::ShowMessage(resources::kMsgGroupNameListed);
        return false;
    }
    return true;
}

} // namespace dsp_editor
