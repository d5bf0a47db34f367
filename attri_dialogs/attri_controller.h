#pragma once
// CAttriController: what every attribute dialog does, without its widgets.
// A dialog shows one module (or a side's eight channel modules), clamps
// what the operator types, writes an accepted value into the module and
// into the undo step's copy of it, sends it to the unit while the sheet is
// live, marks the document modified, lets the module's binding group follow
// and reloads the other dialogs of the channel. Each dialog describes its
// edits, switches and lists as parameters (AttriParameter) and forwards its
// controls' events here; view-only dialogs (the parameter-template viewer's)
// show a module and take no change.
//
// User-interface thread only.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "attri_dialogs/attri_commands.h"
#include "dsp_editor/parameter_copy.h"
#include "dsp_editor/zo_dsp_doc.h"
#include "dsp_editor/zo_dsp_view.h"
#include "model/base_ari_module.h"
#include "model/module_parameters.h"

namespace attri_dialogs {

// One parameter a control edits: its range, its text, the module field,
// and how it reaches the unit.
struct AttriParameter {
    // Typed values are clamped into [minimum, maximum].
    double minimum = 0.0;
    double maximum = 0.0;
    // The text of a value ("%.1f" for levels, "%.2f" for times).
    const char* format = "%.1f";
    // The field, in the module and in its undo copy.
    std::function<double(const model::CBaseAriModule&)> get;
    std::function<void(model::CBaseAriModule&, double)> set;
    std::int32_t code = 0;
    EValueEncoding encoding = EValueEncoding::kInteger;
    EBuilder builder = EBuilder::kSetI;
    // For the builders that carry a channel.
    std::int32_t channel = 0;
    // A level edit the pop-up slider serves.
    bool slider = false;
    // The module class's table entry the control edits, at the channels
    // (from 0) its channel rule walks; it then gives the field and the
    // command in place of the code, encoding, builder and channel above.
    const model::ModuleParameter* entry = nullptr;
    std::size_t in = 0;
    std::size_t out = 0;
};

// A control over the parameter `code` of the type's table at channels `in`
// and `out` (from 0): the field and the command as the table has them; the
// dialog adds the range, the text and the slider. A module of another class
// reads as 0 and takes nothing.
AttriParameter TableParameter(std::int32_t typeCode, std::int32_t code, std::size_t in = 0,
                              std::size_t out = 0);

// The get and set of a field of module class M; a module of another class
// reads as 0 and takes nothing.
template <class M, class Field> void BindField(AttriParameter& parameter, Field M::*field) {
    parameter.get = [field](const model::CBaseAriModule& module) {
        const auto* typed = dynamic_cast<const M*>(&module);
        return typed != nullptr ? static_cast<double>(typed->*field) : 0.0;
    };
    parameter.set = [field](model::CBaseAriModule& module, double value) {
        if (auto* typed = dynamic_cast<M*>(&module))
            typed->*field = static_cast<Field>(value);
    };
}

// A value edit as its dialog holds it: the text the control shows and the
// value last shown in it.
struct ValueEdit {
    std::string text;
    double shown = 0.0;
};

// The pop-up level slider as the controller moves and hides it; placing
// and showing it beside its edit is the widget's.
class IPopupSlider {
public:
    virtual ~IPopupSlider() = default;
    // The thumb at `position` (of the slider scale).
    virtual void SetValue(std::int32_t position) = 0;
    virtual void Hide() = 0;
};

// What brought an edit's value to the controller.
enum class EEditEvent {
    kTextChanged,    // the operator typed: applied once Enter ("\r\n") is in the text
    kFocusLost,      // the edit lost the keyboard focus
    kSliderReleased, // the pop-up slider serving the edit was let go
};

// The caption of a two-state switch: "On" for 1, "Off" for 0.
std::string_view SwitchCaption(std::int32_t state);

// Takes every Enter out of an edit's text: each CR with the character
// after it (its LF). Whether there was one.
bool TakeEnter(std::string& text);

class CAttriController {
public:
    static constexpr std::int32_t kViewOnly = 0;
    static constexpr std::int32_t kEditable = 1;

    // A dialog of the module; all channels: the dialog of the module's side
    // (id 0 for the inputs, 1 for the outputs, kind 1). Both outlive it.
    CAttriController(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module,
                     bool allChannels = false);
    virtual ~CAttriController() = default;
    CAttriController(const CAttriController&) = delete;
    CAttriController& operator=(const CAttriController&) = delete;

    // -- the base fields: the id and kind the document lists the dialog
    //    by, the closing flag, the mode, the view, its document, the module

    std::int32_t ModuleId() const { return m_moduleId; }
    std::int32_t Kind() const { return m_kind; }
    bool Closing() const { return m_closing; }
    std::int32_t Mode() const { return m_mode; }
    void SetMode(std::int32_t mode) { m_mode = mode; }
    bool Editable() const { return m_mode != kViewOnly; }
    dsp_editor::CZoDSPView& View() const { return m_view; }
    dsp_editor::CZoDSPDoc& Document() const { return m_document; }
    model::CBaseAriModule& Module() const { return *m_module; }

    // The dialog's pop-up slider (not owned; null to take it away).
    void SetSlider(IPopupSlider* slider) { m_slider = slider; }

    // -- the edit recipe

    // A value edit's event. Typing applies nothing until Enter: its
    // "\r\n" pairs are taken out and the text, read as a number (no number
    // reads as 0), is clamped, shown in the parameter's format and, when it
    // differs from the module's value, applied (Apply). An empty text or a
    // lone "-" is left as it is. Focus loss and the slider's release apply
    // the text without waiting for Enter. View-only, the focus loss puts
    // the shown value back and the rest does nothing. Whether the module
    // changed.
    bool OnEdit(const AttriParameter& parameter, ValueEdit& edit, EEditEvent event);
    // The slider moving, editable only: the edit shows its level, nothing
    // is applied.
    void OnSliderMoving(std::int32_t position, ValueEdit& edit) const;
    // A level edit taking the focus: whether its slider is to be shown (not
    // view-only), with the thumb moved to the edit's value.
    bool OnLevelEditFocus(const ValueEdit& edit) const;

    // A two-state switch clicked, `state` its recorded state. Editable: the
    // slider hides, the state flips and is applied; view-only: the state
    // stays, for the button to be set back. Whether the module changed.
    bool OnToggle(const AttriParameter& parameter, std::int32_t& state);
    // A list's selection changed to `index`, editable only: the slider
    // hides and a new index is applied. Whether the module changed.
    bool OnSelectionChanged(const AttriParameter& parameter, std::int32_t index);

    // Steps of every applied change: the undo step's copy (merged with the
    // newest step of this module), the value into the module and the copy,
    // the unit command while live, the modified flag, the binding group,
    // the channel's other dialog.
    void Apply(const AttriParameter& parameter, double value);

    // The document's SetParameter with this dialog's view as its host: the
    // one way a dialog changes a module, however many fields and commands
    // the change takes.
    void SetParameter(model::CBaseAriModule& module, const dsp_editor::ParameterChange& change,
                      bool merge = true);
    void SetParameters(model::CBaseAriModule& module,
                       std::span<const dsp_editor::ParameterChange> changes);

    // -- the dialog

    // Whether the module holds the values it is reset to.
    virtual bool AtDefaults() const { return ModuleAtDefaults(*m_module); }
    // "Set default values", editable only: unless the module is at its
    // defaults, ResetToDefaults. Whether it changed.
    virtual bool SetDefaultValues();
    // Editable only: the undo copy (merged with the module's newest step)
    // and the view's reset of the module and the copy. For dialogs that own
    // a controller and answer "at defaults" themselves.
    bool ResetToDefaults();
    // A left click on the background, editable only: the slider hides (the
    // widget then takes the focus from the edit, which applies it).
    virtual void OnBackgroundClick();
    // The close box: the closing flag is set and, editable, the document
    // forgets the dialog; then whether the window is to be destroyed (the
    // parameter-template viewer keeps its view-only dialogs).
    virtual bool OnClose();
    // Activation (dsp_editor::CZoDSPView::kDialog…), editable only: a
    // click selects the module (all channels: its side) on the sheet.
    void OnActivate(std::int32_t activation);

protected:
    // Apply's steps for any module but the twins' refresh; `merge` false
    // records into the step the caller has begun.
    void ApplyTo(model::CBaseAriModule& module, const AttriParameter& parameter, double value,
                 bool merge);
    bool ModuleAtDefaults(const model::CBaseAriModule& module) const;
    IPopupSlider* Slider() const { return m_slider; }
    void HideSlider() const;

private:
    // Reloads the all-channels dialog of a one-channel dialog's side.
    void RefreshTwins();

    std::int32_t m_moduleId = 0;
    std::int32_t m_kind = 0;
    bool m_closing = false;
    std::int32_t m_mode = kEditable;
    dsp_editor::CZoDSPView& m_view;
    dsp_editor::CZoDSPDoc& m_document;
    model::CBaseAriModule* m_module;
    CConsoleCommandSink m_sink;
    dsp_editor::CViewParameterHost m_host;
    IPopupSlider* m_slider = nullptr;
};

} // namespace attri_dialogs
