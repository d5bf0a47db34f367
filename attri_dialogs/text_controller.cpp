#include "attri_dialogs/text_controller.h"

#include <memory>

#include "attri_dialogs/module_reset.h"
#include "model/messages.h"
#include "model/program_settings.h"
#include "platform/app_paths/app_paths.h"
#include "platform/profile/profile.h"
#include "platform/text/format.h"
#include "platform/text/line_breaks.h"
#include "resources/message_ids.h"

namespace attri_dialogs {

using model::CAriText;

CAttriTextController::CAttriTextController(dsp_editor::CZoDSPView& view, CAriText& text)
    : CAttriController(view, text) {
    Refresh();
}

CAriText& CAttriTextController::Box() const {
    return static_cast<CAriText&>(Module());
}

void CAttriTextController::Refresh() {
    m_editText = ToEditText(Box().m_text);
    m_transparent = Box().m_transparent;
}

platform::gdi::COLORREF CAttriTextController::BackColour() const {
    return Box().m_colours[CAriText::kBodyColour];
}

platform::gdi::COLORREF CAttriTextController::TextColour() const {
    return Box().m_colours[CAriText::kTextColour];
}

const platform::gdi::LOGFONT& CAttriTextController::Font() const {
    return Box().m_font;
}

std::string CAttriTextController::ToEditText(const std::string& boxText) {
    return platform::text::ToEditLines(boxText);
}

std::string CAttriTextController::ToBoxText(const std::string& editText) {
    return platform::text::ToStoredLines(editText);
}

bool CAttriTextController::OnTextChanged(const std::string& editText) {
    if (!Editable())
        return false;
    m_editText = editText;
    std::string text = ToBoxText(editText);
    if (text == Box().m_text)
        return false;
    ApplyChange([&text](CAriText& box) { box.m_text = text; });
    return true;
}

bool CAttriTextController::OnTransparency() {
    if (!Editable())
        return false;
    m_transparent = m_transparent != 0 ? 0 : 1;
    const std::int32_t transparent = m_transparent;
    ApplyChange([transparent](CAriText& box) { box.m_transparent = transparent; });
    return true;
}

bool CAttriTextController::SetBackColour(platform::gdi::COLORREF colour) {
    if (!Editable())
        return false;
    ApplyChange([colour](CAriText& box) { box.m_colours[CAriText::kBodyColour] = colour; });
    return true;
}

bool CAttriTextController::SetTextColour(platform::gdi::COLORREF colour) {
    if (!Editable())
        return false;
    ApplyChange([colour](CAriText& box) { box.m_colours[CAriText::kTextColour] = colour; });
    return true;
}

bool CAttriTextController::SetFont(const platform::gdi::LOGFONT& font) {
    if (!Editable())
        return false;
    ApplyChange([&font](CAriText& box) { box.m_font = font; });
    return true;
}

bool CAttriTextController::SaveAsDefault() {
    if (!Editable())
        return false;
    if (model::Ask(resources::kMsgAskTextDefaults, model::EMessageButtons::OkCancel,
                   model::EMessageAnswer::Ok) != model::EMessageAnswer::Ok)
        return false;
    platform::profile::ini_file_t ini(platform::app_paths::ProgramIniPath());
    const std::string section = model::AriColourSection(model::kAriText);
    const bool written =
        ini.write_string(section, "RcBackColor",
                         platform::text::format("%d", static_cast<int>(BackColour()))) &&
        ini.write_string(section, "RcTypeColor",
                         platform::text::format("%d", static_cast<int>(TextColour())));
    // New boxes read the settings' snapshot, not the file.
    model::ReloadProgramSettings();
    return written;
}

bool CAttriTextController::AtDefaults() const {
    const std::unique_ptr<model::CBaseAriModule> reset = ResetValuesOf(*this);
    const auto* defaults = dynamic_cast<const CAriText*>(reset.get());
    const CAriText& box = Box();
    return defaults != nullptr && box.m_text == defaults->m_text &&
           box.m_transparent == defaults->m_transparent &&
           box.m_colours[CAriText::kBodyColour] == defaults->m_colours[CAriText::kBodyColour] &&
           box.m_colours[CAriText::kTextColour] == defaults->m_colours[CAriText::kTextColour] &&
           box.m_font == defaults->m_font;
}

bool CAttriTextController::SetDefaultValues() {
    if (!CAttriController::SetDefaultValues())
        return false;
    View().Download().Redraw();
    return true;
}

void CAttriTextController::ApplyChange(const std::function<void(CAriText&)>& change) {
    dsp_editor::ParameterChange edit;
    edit.assign = [&](model::CBaseAriModule& module) {
        if (auto* box = dynamic_cast<CAriText*>(&module))
            change(*box);
    };
    SetParameter(Box(), edit);
    View().Download().Redraw();
}

} // namespace attri_dialogs
