#pragma once
// The program's own clipboard of DSP modules (not the system clipboard): one
// per process, owned by the application and reached by every DSP view
// through its main frame, so that what one sheet copied can be pasted into
// another after the first has closed. It holds copies, never the sheet's
// modules: a copy has the class, variant, place and parameters of its
// source, with id 0 and neither names, links, execution order nor binding
// group.
#include <cstdint>
#include <memory>
#include <vector>

#include "model/base_ari_module.h"

namespace dsp_editor {

class CDspClipboard {
public:
    using ModuleCopies = std::vector<std::unique_ptr<model::CBaseAriModule>>;

    CDspClipboard() = default;
    CDspClipboard(const CDspClipboard&) = delete;
    CDspClipboard& operator=(const CDspClipboard&) = delete;

    // -- the module copies that paste places

    // Replaces the copies (none: the clipboard is empty); pasting starts
    // over at the copies' own places.
    void SetModules(ModuleCopies copies);
    bool HasContent() const { return !m_modules.empty(); }
    const ModuleCopies& Modules() const { return m_modules; }
    // Counts a paste of the copies; the number of pastes since they were
    // set, this one included.
    std::int32_t CountPaste() { return ++m_pastes; }
    std::int32_t PasteCount() const { return m_pastes; }

    // -- one module's parameters, for the modules of its type and variant

    void SetParameters(std::unique_ptr<model::CBaseAriModule> copy);
    bool HasParameters() const { return m_parameters != nullptr; }
    // The copy, or null when none was taken.
    const model::CBaseAriModule* Parameters() const { return m_parameters.get(); }

private:
    ModuleCopies m_modules;
    std::int32_t m_pastes = 0;
    std::unique_ptr<model::CBaseAriModule> m_parameters;
};

} // namespace dsp_editor
