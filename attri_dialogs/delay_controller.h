#pragma once
// CAttriDelayController: the delay dialog without its widgets. It holds the
// delay edit (0 to the module's maximum, shown "%.2f", sent as samples at
// 48 kHz, code 301), the bypass switch (302) and the spin control's stepping.
//
// The widget dialog maps its controls as follows:
//   delay edit, text changed     -> OnDelayEdit(text, kTextChanged), then
//                                   shows DelayText() (Enter arrives as the
//                                   text + "\r\n")
//   delay edit, focus lost       -> OnDelayEdit(text, kFocusLost), then DelayText()
//   spin control moved to p      -> OnSpin(p); set the spin to kSpinRest and
//                                   show DelayText()
//   bypass button clicked        -> OnBypass(); caption BypassCaption(), checked Bypass()
//   background left click        -> OnBackgroundClick(), then the focus to the
//                                   static text in either mode, so the edit
//                                   applies (editable) or shows the module's
//                                   value again (view-only)
//   "set default values"         -> SetDefaultValues()
//   RefreshControls              -> Refresh(), then every control as above
// The spin's range is 1 to 100 with the rest position kSpinRest.
#include <cstdint>
#include <string>

#include "attri_dialogs/attri_controller.h"
#include "model/ari_delay.h"

namespace attri_dialogs {

class CAttriDelayController : public CAttriController {
public:
    static constexpr std::int32_t kSpinMinimum = 1;
    static constexpr std::int32_t kSpinMaximum = 100;
    static constexpr std::int32_t kSpinRest = 50;
    // One spin step, ms.
    static constexpr double kSpinStep = 0.02;
    static constexpr std::int32_t kDelayCode = 301;
    static constexpr std::int32_t kBypassCode = 302;

    // Both outlive it.
    CAttriDelayController(dsp_editor::CZoDSPView& view, model::CAriDelay& delay);

    // The dialog's values again from the module, nothing recorded or sent.
    void Refresh();

    const std::string& DelayText() const { return m_delay.text; }
    // The delay shown, ms.
    double ShownDelay() const { return m_delay.shown; }
    double MaxDelay() const { return m_maxDelay; }
    std::int32_t Bypass() const { return m_bypass; }
    std::string_view BypassCaption() const { return SwitchCaption(m_bypass); }

    // The delay edit's text after an event. A lone "-" is emptied (a delay
    // is never negative) and applies nothing; otherwise the common edit
    // recipe. Whether the module changed.
    bool OnDelayEdit(const std::string& text, EEditEvent event);
    // The spin control at `position`, editable only: a position above the
    // rest adds a step to the shown delay, below it takes one off, clamped
    // to the range; nothing is applied until the edit applies its text.
    // Whether the shown delay was stepped.
    bool OnSpin(std::int32_t position);
    // The bypass button clicked: the common toggle. Whether the module changed.
    bool OnBypass();
    // Whether the bypass is off and the delay at its maximum.
    bool AtDefaults() const override;

private:
    model::CAriDelay& Delay() const;

    AttriParameter m_delayParameter;
    AttriParameter m_bypassParameter;
    double m_maxDelay = 0.0;
    ValueEdit m_delay;
    std::int32_t m_bypass = 0;
};

} // namespace attri_dialogs
