#include "attri_dialogs/attri_controller.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "attri_dialogs/module_steps.h"
#include "attri_dialogs/slider_scale.h"
#include "dsp_editor/dsp_undo.h"
#include "dsp_editor/live_control.h"
#include "platform/archive/archive.h"
#include "platform/text/format.h"
#include "platform/text/number.h"

namespace attri_dialogs {

using model::CBaseAriModule;

std::string_view SwitchCaption(std::int32_t state) {
    return state != 0 ? "On" : "Off";
}

bool TakeEnter(std::string& text) {
    bool enter = false;
    for (std::size_t at = text.find('\r'); at != std::string::npos; at = text.find('\r', at)) {
        text.erase(at, 2);
        enter = true;
    }
    return enter;
}

namespace {

std::int32_t AllChannelsId(const CBaseAriModule& module) {
    return module.m_typeCode == model::kAriInput ? 0 : 1;
}

std::string Shown(const AttriParameter& parameter, double value) {
    return platform::text::format(parameter.format, value);
}

std::vector<std::uint8_t> StoredForm(const CBaseAriModule& module) {
    platform::archive::archive_t out;
    // Storing reads the module only.
    out.WriteObject(const_cast<CBaseAriModule*>(&module));
    return out.TakeBytes();
}

} // namespace

AttriParameter TableParameter(std::int32_t typeCode, std::int32_t code, std::size_t in,
                              std::size_t out) {
    AttriParameter parameter;
    const model::ModuleParameterTable* table = model::ParameterTableOf(typeCode);
    parameter.entry = model::FindParameter(typeCode, code);
    if (table == nullptr || parameter.entry == nullptr)
        return parameter;
    parameter.code = code;
    parameter.in = in;
    parameter.out = out;
    parameter.get = [table, entry = parameter.entry, in, out](const CBaseAriModule& module) {
        return table->isClass(module) ? entry->get(module, in, out) : 0.0;
    };
    parameter.set = [table, entry = parameter.entry, in, out](CBaseAriModule& module,
                                                              double value) {
        if (table->isClass(module))
            entry->set(module, in, out, value);
    };
    return parameter;
}

CAttriController::CAttriController(dsp_editor::CZoDSPView& view, CBaseAriModule& module,
                                   bool allChannels)
    : m_moduleId(allChannels ? AllChannelsId(module) : module.m_id), m_kind(allChannels ? 1 : 0),
      m_view(view), m_document(view.GetDocument()), m_module(&module), m_sink(view.Console()),
      m_host(view) {}

bool CAttriController::OnEdit(const AttriParameter& parameter, ValueEdit& edit, EEditEvent event) {
    if (!Editable()) {
        if (event == EEditEvent::kFocusLost)
            edit.text = Shown(parameter, edit.shown);
        return false;
    }
    std::string text = edit.text;
    if (event == EEditEvent::kTextChanged) {
        if (text.empty() || text == "-")
            return false;
        if (!TakeEnter(text))
            return false;
    }
    const double value =
        std::clamp(platform::text::to_double(text), parameter.minimum, parameter.maximum);
    if (parameter.slider && m_slider != nullptr)
        m_slider->SetValue(SliderPosition(value));
    edit.text = Shown(parameter, value);
    edit.shown = value;
    if (value == parameter.get(*m_module))
        return false;
    Apply(parameter, value);
    return true;
}

void CAttriController::OnSliderMoving(std::int32_t position, ValueEdit& edit) const {
    if (!Editable())
        return;
    edit.shown = SliderLevel(position);
    edit.text = platform::text::format("%.1f", edit.shown);
}

bool CAttriController::OnLevelEditFocus(const ValueEdit& edit) const {
    if (!Editable())
        return false;
    if (m_slider != nullptr)
        m_slider->SetValue(SliderPosition(edit.shown));
    return true;
}

bool CAttriController::OnToggle(const AttriParameter& parameter, std::int32_t& state) {
    if (!Editable())
        return false;
    HideSlider();
    state = state != 0 ? 0 : 1;
    Apply(parameter, state);
    return true;
}

bool CAttriController::OnSelectionChanged(const AttriParameter& parameter, std::int32_t index) {
    if (!Editable())
        return false;
    HideSlider();
    if (index == parameter.get(*m_module))
        return false;
    Apply(parameter, index);
    return true;
}

void CAttriController::Apply(const AttriParameter& parameter, double value) {
    ApplyTo(*m_module, parameter, value, true);
    RefreshTwins();
}

void CAttriController::ApplyTo(CBaseAriModule& module, const AttriParameter& parameter,
                               double value, bool merge) {
    dsp_editor::ParameterChange change;
    change.assign = [&](CBaseAriModule& m) { parameter.set(m, value); };
    change.command = [&](const CBaseAriModule& m, model::IParameterSink& unit) {
        if (parameter.entry != nullptr)
            model::SendParameterValue(*parameter.entry, m, parameter.in, parameter.out, value,
                                      unit);
        else
            SendParameter(m_sink, parameter.builder, parameter.encoding, m.m_order, parameter.code,
                          parameter.channel, value);
    };
    SetParameter(module, change, merge);
}

void CAttriController::SetParameter(CBaseAriModule& module,
                                    const dsp_editor::ParameterChange& change, bool merge) {
    m_document.SetParameter(module, change, m_host, merge);
}

void CAttriController::SetParameters(CBaseAriModule& module,
                                     std::span<const dsp_editor::ParameterChange> changes) {
    m_document.SetParameters(module, changes, m_host);
}

bool CAttriController::ModuleAtDefaults(const CBaseAriModule& module) const {
    const dsp_editor::CDSPUndoHistory* history = dsp_editor::UndoHistoryOf(m_document);
    if (history == nullptr)
        return false;
    const std::unique_ptr<CBaseAriModule> reset = history->CloneModule(module);
    if (reset == nullptr ||
        !dsp_editor::ResetParameters(*reset, m_document.m_deviceModel, false, m_view.Console()))
        return false;
    // The file form holds the selection too, which no reset touches.
    reset->m_selected = module.m_selected;
    return StoredForm(*reset) == StoredForm(module);
}

bool CAttriController::SetDefaultValues() {
    return Editable() && !AtDefaults() && ResetToDefaults();
}

bool CAttriController::ResetToDefaults() {
    if (!Editable())
        return false;
    m_view.ResetModuleToDefaults(*m_module, module_steps::UndoCopy(m_document, *m_module, true));
    return true;
}

void CAttriController::OnBackgroundClick() {
    if (Editable())
        HideSlider();
}

bool CAttriController::OnClose() {
    m_closing = true;
    if (!Editable())
        return false;
    m_view.RemoveAttriDialog(m_moduleId, m_kind);
    return true;
}

void CAttriController::OnActivate(std::int32_t activation) {
    if (Editable())
        m_view.SelectModuleFromDialog(activation, m_module, m_kind != 0, nullptr);
}

void CAttriController::HideSlider() const {
    if (m_slider != nullptr)
        m_slider->Hide();
}

void CAttriController::RefreshTwins() {
    if (m_kind != 0)
        return;
    if (m_module->m_typeCode == model::kAriInput)
        m_view.RefreshInputAllDialog();
    else if (m_module->m_typeCode == model::kAriOutput)
        m_view.RefreshOutputAllDialog();
}

} // namespace attri_dialogs
