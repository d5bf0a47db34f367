#include "attri_dialogs/delay_controller.h"

#include <algorithm>

#include "attri_dialogs/module_reset.h"
#include "platform/text/format.h"

namespace attri_dialogs {

using model::CAriDelay;

CAttriDelayController::CAttriDelayController(dsp_editor::CZoDSPView& view, CAriDelay& delay)
    : CAttriController(view, delay), m_delayParameter(TableParameter(model::kAriDelay, kDelayCode)),
      m_bypassParameter(TableParameter(model::kAriDelay, kBypassCode)) {
    m_delayParameter.format = "%.2f";
    m_bypassParameter.maximum = 1.0;
    Refresh();
}

CAriDelay& CAttriDelayController::Delay() const {
    return static_cast<CAriDelay&>(Module());
}

void CAttriDelayController::Refresh() {
    const CAriDelay& delay = Delay();
    m_maxDelay = delay.m_maxDelay;
    m_delayParameter.maximum = m_maxDelay;
    m_delay.shown = delay.m_delay;
    m_delay.text = platform::text::format(m_delayParameter.format, m_delay.shown);
    m_bypass = delay.m_bypass;
}

bool CAttriDelayController::OnDelayEdit(const std::string& text, EEditEvent event) {
    m_delay.text = text;
    if (event == EEditEvent::kTextChanged && Editable() && text == "-") {
        m_delay.text.clear();
        return false;
    }
    return OnEdit(m_delayParameter, m_delay, event);
}

bool CAttriDelayController::OnSpin(std::int32_t position) {
    if (!Editable() || position == kSpinRest)
        return false;
    const double step = position > kSpinRest ? kSpinStep : -kSpinStep;
    m_delay.shown = std::clamp(m_delay.shown + step, 0.0, m_maxDelay);
    m_delay.text = platform::text::format(m_delayParameter.format, m_delay.shown);
    return true;
}

bool CAttriDelayController::OnBypass() {
    return OnToggle(m_bypassParameter, m_bypass);
}

bool CAttriDelayController::AtDefaults() const {
    const CAriDelay& delay = Delay();
    return delay.m_bypass == 0 && delay.m_delay == delay.m_maxDelay;
}

} // namespace attri_dialogs
