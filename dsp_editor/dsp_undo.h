#pragma once
// The undo history of a DSP document: edits recorded as actions grouped into
// numbered steps; Undo reverses the newest done step, Redo repeats the next
// undone one.
//
// Actions name modules and links by id and own copies: a parameter action
// owns a copy of its module from before and after the change, an add or
// delete action owns its module or link while the document does not hold
// it, a sheet snapshot owns the sheet the document does not hold. Nothing
// here points into the document, so a step stays valid while later steps
// take objects out and put them back.
//
// Steps that change the sheet's structure (moves, additions, deletions,
// template loads) are refused while the unit is under real-time control or a
// download is in progress; parameter, hide and group steps stay allowed. A
// refused step is left exactly as it was. Undo and Redo act only while the
// main frame's active view shows the history's document.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dsp_editor/dsp_seams.h"
#include "dsp_editor/zo_dsp_doc.h"
#include "model/base_ari_module.h"
#include "model/base_link.h"
#include "platform/archive/object_array.h"

namespace dsp_editor {

class CZoDSPView;

// The action kinds (5 is not used).
enum EDspUndoKind : std::int32_t {
    kUndoMove = 0,       // a module moved by an offset
    kUndoAdd = 1,        // a module placed or a link drawn
    kUndoDelete = 2,     // a module or link deleted
    kUndoParameters = 3, // a module's parameters changed
    kUndoHide = 4,       // an input or output module hidden or shown
    kUndoSheet = 6,      // the sheet replaced by a template
    kUndoGroup = 7,      // a module put into a binding group
};

class CDSPUndoAction {
public:
    CDSPUndoAction(std::int32_t step, std::int32_t kind) : m_step(step), m_kind(kind) {}
    virtual ~CDSPUndoAction() = default;
    CDSPUndoAction(const CDSPUndoAction&) = delete;
    CDSPUndoAction& operator=(const CDSPUndoAction&) = delete;

    std::int32_t m_step;
    std::int32_t m_kind;
    // The module concerned (kinds 0-4 and 7), or for link actions of kinds
    // 1 and 2 the link.
    bool m_onLink = false;
    std::int32_t m_id = 0;
    // Kind 3: the module's parameters after and before the step. Kinds 1
    // and 2: the module while the document does not hold it.
    std::unique_ptr<model::CBaseAriModule> m_module;
    std::unique_ptr<model::CBaseAriModule> m_before;
    // Kinds 1 and 2: the link while the document does not hold it.
    std::unique_ptr<model::CBaseLink> m_link;
    // Kind 0: the displacement.
    std::int32_t m_dx = 0;
    std::int32_t m_dy = 0;
    // Kind 7: the group joined.
    std::int32_t m_group = 0;
    std::string m_groupName;
    // Kind 4: the module's hidden flag and the document's hidden-modules
    // flag before and after the step.
    std::int32_t m_hiddenBefore = 0;
    std::int32_t m_hiddenAfter = 0;
    std::int32_t m_sheetHiddenBefore = 0;
    std::int32_t m_sheetHiddenAfter = 0;
};

// The settings of the sheet that a template load replaces.
struct DspSheetSettings {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::array<std::int32_t, CZoDSPDoc::kNameCounterCount> nameCounters{};
    std::int32_t moduleIdCounter = 0;
    std::int32_t linkIdCounter = 0;
    std::int32_t spaceTotal = 0;
    std::int32_t timeTotal = 0;
    std::int32_t hiddenModules = 0;
};

// Kind 6: the sheet the document does not hold now, its modules, links and
// settings. Recording takes the document's sheet; each undo and redo
// exchanges the document's sheet with the one held.
class CDSPUndoSnapshotAction final : public CDSPUndoAction {
public:
    explicit CDSPUndoSnapshotAction(std::int32_t step) : CDSPUndoAction(step, kUndoSheet) {}

    // Exchanges the held sheet with the document's.
    void Exchange(CZoDSPDoc& doc);

    // Whether the document holds the sheet made by the step (true after
    // recording; each undo and redo flips it).
    bool m_documentHoldsNew = true;
    platform::archive::object_array_t<model::CBaseAriModule> m_modules;
    platform::archive::object_array_t<model::CBaseLink> m_links;
    DspSheetSettings m_settings;
};

class CDSPUndoHistory final : public IDspUndoRecorder, public IGroupUndo {
public:
    explicit CDSPUndoHistory(CZoDSPDoc& doc) : m_doc(doc) {}

    // -- recording

    // Drops the undone steps and begins a new step.
    void BeginStep() override;
    // A module's group (kind 7) and a parameter change of a group member
    // (kind 3 without merge) into the current step.
    void RecordGroup(model::CBaseAriModule& module) override { AddAction(7, module); }
    model::CBaseAriModule* RecordParameters(model::CBaseAriModule& module) override {
        return AddAction(3, module);
    }
    // Kind 2 into the current step: the deleted object, handed over.
    void RecordDeletedModule(std::unique_ptr<model::CBaseAriModule> module) override;
    void RecordDeletedLink(std::unique_ptr<model::CBaseLink> link) override;
    model::CBaseAriModule* RecordParameterChange(model::CBaseAriModule& module,
                                                 bool merge) override {
        return AddAction(kUndoParameters, module, 0, 0, merge);
    }

    // Records an action of kind 0 (move by dx, dy; after the move), 1 (a
    // module placed; after placing), 3 (parameters; before the change) or 7
    // (group; after joining, the module's group is what redo sets) for the
    // module into the current step, which the caller has begun. Returns the
    // module the action stands for: for kind 3 the after-copy, which the
    // caller brings up to date with the module's new values, else `module`.
    // Kind 3 with `merge`: while nothing is undone and the current step
    // already holds a parameter action of a module with that id, its
    // after-copy is returned and nothing is recorded; otherwise a new step
    // is begun first. Null, with nothing recorded, for other kinds and for
    // a module whose type has no class.
    model::CBaseAriModule* AddAction(std::int32_t kind, model::CBaseAriModule& module,
                                     std::int32_t dx = 0, std::int32_t dy = 0, bool merge = false);
    // Kind 4 into the current step, before the module's hidden flag becomes
    // `hidden` (and the document's hidden-modules flag with it).
    void AddHideAction(const model::CBaseAriModule& module, std::int32_t hidden);
    // Kind 1 into the current step for a link just drawn; nothing while the
    // document is live.
    void AddLinkAction(std::int32_t kind, const model::CBaseLink& link);
    // Kind 6 into the current step: the document's modules, links and
    // settings go into the action, leaving the document without modules
    // and links (and without attribute dialogs) for the template to fill.
    CDSPUndoSnapshotAction* AddSheetAction();

    // A copy of the module as its file form holds it: class, type, variant,
    // id, channel counts, group and every parameter. Null for a type without
    // a class.
    std::unique_ptr<model::CBaseAriModule> CloneModule(const model::CBaseAriModule& module) const;

    // -- undo and redo; whether the step was carried out

    bool Undo();
    bool Redo();

    // The newest done step (0 when nothing is done), the number of done
    // steps and of undone steps that can be redone.
    std::int32_t Position() const { return m_position; }
    std::int32_t UndoCount() const { return m_position; }
    std::int32_t RedoCount() const { return m_redoCount; }
    const std::vector<std::unique_ptr<CDSPUndoAction>>& Actions() const { return m_actions; }

private:
    // The active view when it shows this history's document, else null.
    CZoDSPView* ActiveView() const;
    // The step's actions in visiting order.
    std::vector<CDSPUndoAction*> StepActions(std::int32_t step, bool newestFirst) const;
    // The message refusing the action now, or 0.
    int Refusal(const CDSPUndoAction& action, const CZoDSPView& view, bool undo) const;
    bool Apply(bool undo);
    void ApplyAction(CDSPUndoAction& action, CZoDSPView& view, bool undo);
    void ApplyModuleAction(CDSPUndoAction& action, bool putBack);
    void ApplyLinkAction(CDSPUndoAction& action, bool putBack);
    void ApplyParameters(const CDSPUndoAction& action, model::CBaseAriModule& module,
                         CZoDSPView& view, bool undo);
    void Append(std::unique_ptr<CDSPUndoAction> action);

    CZoDSPDoc& m_doc;
    std::int32_t m_position = 0;
    std::int32_t m_redoCount = 0;
    std::vector<std::unique_ptr<CDSPUndoAction>> m_actions; // recording order
};

// The document's history when it is a CDSPUndoHistory, else null.
CDSPUndoHistory* UndoHistoryOf(const CZoDSPDoc& doc);

} // namespace dsp_editor
