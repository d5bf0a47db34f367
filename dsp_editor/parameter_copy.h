#pragma once
// Copying one DSP module's parameters onto another of the same type and
// variant, with a unit command for every parameter that changes: how a
// binding group follows its changed member, how undo and redo put a
// module's parameters back, how a template or a stored parameter set
// reaches a module on the sheet.
#include "comm/dsp_console.h"
#include "model/base_ari_module.h"

namespace dsp_editor {

// Every parameter of `source` that differs from `destination` is copied into
// it; when `send` is set, each copied parameter that the unit knows queues
// its command with the new value on the console's control queue, addressed
// to the destination's execution order. Parameters go one by one in the
// unit's order, so a change that returns a value to its reset state is sent
// too. Nothing happens when the two differ in type or variant, or for a
// type that carries no parameters.
void SendParameterChanges(const model::CBaseAriModule& source, model::CBaseAriModule& destination,
                          bool send, comm::CDSPDlgShowCMD& console);

} // namespace dsp_editor
