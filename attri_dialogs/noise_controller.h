#pragma once
// CAttriNoiseController: the white and pink noise generators' dialog
// without its widgets: mute and an output level of -100 to +36 dB. The
// pop-up slider serves the level edit but covers -100 to +12 dB only;
// louder levels are typed, and applying a level never moves the slider.
//
// Widget mapping: level edit text changed -> Level().text = text,
// OnLevelEdit(kTextChanged) (Enter as "\r\n"); focus lost ->
// OnLevelEdit(kFocusLost); focus gained -> OnLevelFocus() (true: PlaceSlider
// and show it); slider moving -> OnSliderMoving(position), released ->
// OnLevelEdit(kSliderReleased); mute button -> OnMuteClick(), then it shows
// Mute() and SwitchCaption(Mute()); background click -> OnBackgroundClick()
// (then the static takes the focus); "set default values" ->
// SetDefaultValues(); RefreshControls -> Refresh().
//
// User-interface thread only.
#include <cstdint>

#include "attri_dialogs/attri_controller.h"
#include "model/ari_generator.h"

namespace attri_dialogs {

class CAttriNoiseController {
public:
    static constexpr std::int32_t kMaxWidth = 350;
    static constexpr std::int32_t kMaxHeight = 120;
    static constexpr std::int32_t kIcon = 268;

    CAttriNoiseController(dsp_editor::CZoDSPView& view, model::CAriGenerator& module);

    CAttriController& Base() { return m_base; }
    const CAttriController& Base() const { return m_base; }
    void SetSlider(IPopupSlider* slider);

    ValueEdit& Level() { return m_level; }
    const ValueEdit& Level() const { return m_level; }
    std::int32_t Mute() const { return m_mute; }

    // Each returns whether the module changed.
    bool OnLevelEdit(EEditEvent event);
    // Whether the slider is to be shown, its thumb at the level (at its
    // ends for levels beyond them).
    bool OnLevelFocus();
    void OnSliderMoving(std::int32_t position);
    bool OnMuteClick();
    void OnBackgroundClick() { m_base.OnBackgroundClick(); }

    // Unmuted at 0 dB.
    bool AtDefaults() const;
    bool SetDefaultValues();
    // Mute and level from the module; the slider hides.
    void Refresh();

private:
    CAttriController m_base;
    model::CAriGenerator& m_module;
    IPopupSlider* m_slider = nullptr;
    AttriParameter m_levelParameter;
    AttriParameter m_muteParameter;
    ValueEdit m_level;
    std::int32_t m_mute = 0;
};

} // namespace attri_dialogs
