#include "attri_dialogs/noise_controller.h"

#include <algorithm>

#include "attri_dialogs/module_steps.h"
#include "attri_dialogs/slider_scale.h"
#include "platform/text/format.h"

namespace attri_dialogs {

using model::CAriGenerator;

CAttriNoiseController::CAttriNoiseController(dsp_editor::CZoDSPView& view, CAriGenerator& module)
    : m_base(view, module), m_module(module),
      m_levelParameter(TableParameter(model::kAriGenerator, 803)),
      m_muteParameter(TableParameter(model::kAriGenerator, 802)) {
    m_levelParameter.minimum = -100.0;
    m_levelParameter.maximum = 36.0;
    m_levelParameter.format = "%.1f";
    // Not marked as the slider's: applying leaves the thumb where it is.
    m_muteParameter.maximum = 1.0;
    Refresh();
}

void CAttriNoiseController::SetSlider(IPopupSlider* slider) {
    m_slider = slider;
    m_base.SetSlider(slider);
}

bool CAttriNoiseController::OnLevelEdit(EEditEvent event) {
    return m_base.OnEdit(m_levelParameter, m_level, event);
}

bool CAttriNoiseController::OnLevelFocus() {
    if (!m_base.Editable())
        return false;
    if (m_slider != nullptr)
        m_slider->SetValue(
            std::clamp(SliderPosition(m_level.shown), kSliderMinimum, kSliderMaximum));
    return true;
}

void CAttriNoiseController::OnSliderMoving(std::int32_t position) {
    m_base.OnSliderMoving(std::clamp(position, kSliderMinimum, kSliderMaximum), m_level);
}

bool CAttriNoiseController::OnMuteClick() {
    if (!m_base.OnToggle(m_muteParameter, m_mute)) {
        m_mute = m_module.m_mute;
        return false;
    }
    return true;
}

bool CAttriNoiseController::AtDefaults() const {
    return m_module.m_mute == 0 && m_module.m_level == 0.0;
}

bool CAttriNoiseController::SetDefaultValues() {
    if (!m_base.Editable() || AtDefaults() || !m_base.ResetToDefaults())
        return false;
    Refresh();
    return true;
}

void CAttriNoiseController::Refresh() {
    m_mute = m_module.m_mute;
    m_level.shown = std::clamp(m_module.m_level, -100.0, 36.0);
    m_level.text = platform::text::format("%.1f", m_level.shown);
    if (m_slider != nullptr)
        m_slider->Hide();
}

} // namespace attri_dialogs
