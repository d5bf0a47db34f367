#pragma once
// Copying one DSP module's parameters onto another of the same type and
// variant, with a unit command for every parameter that changes: how a
// binding group follows its changed member, how undo and redo put a
// module's parameters back, how a template or a stored parameter set
// reaches a module on the sheet. And the view's part in a parameter change
// (the console and the binding group) as the document's SetParameter asks
// for it.
#include "comm/dsp_console.h"
#include "dsp_editor/download_program.h"
#include "dsp_editor/zo_dsp_doc.h"
#include "model/base_ari_module.h"

namespace dsp_editor {

class CZoDSPView;

// Every parameter of `source` that differs from `destination` is copied into
// it; when `send` is set, each copied parameter that the unit knows queues
// its command with the new value on the console's control queue, addressed
// to the destination's execution order. Parameters go one by one in the
// unit's order, so a change that returns a value to its reset state is sent
// too. Nothing happens when the two differ in type or variant, or for a
// type that carries no parameters.
void SendParameterChanges(const model::CBaseAriModule& source, model::CBaseAriModule& destination,
                          bool send, comm::CDSPDlgShowCMD& console);

// A view as the host of its document's parameter changes: the commands go
// on the view's console's control queue, and the view lets the module's
// binding group follow.
class CViewParameterHost final : public IParameterHost {
public:
    explicit CViewParameterHost(CZoDSPView& view);
    model::IParameterSink& UnitCommands() override { return m_control; }
    void FollowGroup(const model::CBaseAriModule& module) override;

private:
    CZoDSPView& m_view;
    CConsoleSink m_control;
};

} // namespace dsp_editor
