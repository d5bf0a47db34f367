// The reset commands a store program carries for the other templates of
// the unit that share its structure name.
#include "dsp_editor/stored_templates.h"

#include "dsp_editor/store_list.h"
#include "dsp_editor/zo_dsp_doc.h"
#include "model/module_parameters.h"

namespace dsp_editor {

using namespace model;

namespace {

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

// The module's parameters off their reset state, put back as its table
// says; a filter's bypass stands once for every template that needs it.
void ResetModule(const CBaseAriModule& module, CResetWriter& w, CStoreList& list) {
    WriteModuleResets(module, w, list);
}

} // namespace

void CompareFirmTemplates(const CZoDSPDoc& other, std::string_view structName, std::size_t start,
                          CStoreList& list) {
    if (other.m_templateStructName != structName)
        return;
    CResetWriter writer(list, start);
    for (const auto& module : other.Modules())
        ResetModule(*module, writer, list);
}

} // namespace dsp_editor
