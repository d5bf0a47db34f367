#pragma once
// CAttriFilterController: the filter module's attribute dialog without its
// widgets. A low-pass or high-pass filter (variants 1, 2) edits its slope
// type, a low or high shelf (variants 3, 4) its gain; every variant edits
// the frequency and the bypass, and the response graph has one handle to
// drag (a shelf's handle also sets the gain by its height).
//
// Previews (spin steps, drags) and what the dialog shows on opening and
// refresh are designed into the dialog's own sections, which the curve
// uses; the module's type, frequency, gain, count and sections change only
// on a commit, together with the undo step's copy. A frequency outside 20
// to 20000 Hz is shown clamped, a type outside the table as "BW 12"; the
// module keeps them until a commit.
//
// The widget dialog forwards:
//   type list selection (variants 1, 2)   -> OnTypeSelected(index)
//   frequency / gain edit text or focus   -> FrequencyEdit() / GainEdit() hold the text;
//     text changed (Enter as "\r\n") or focus lost -> OnFrequencyEdit / OnGainEdit
//   spin buttons' new position            -> OnFrequencySpin(n) / OnGainSpin(n)
//   bypass button                         -> OnBypass()
//   graph press / move / release          -> OnMouseDown(point) (true: capture),
//                                            OnMouseMove(point), OnMouseUp()
//   paint                                 -> Draw(canvas)
//   reload (undo, redo, defaults)         -> Refresh(); "Set default values" -> SetDefaultValues()
// and shows HasTypeList() ? the list with SelectedType() : the gain edit with
// GainSpin(), FirstLabel() above it, FrequencySpin(), Bypass().
//
// User-interface thread only.
#include <array>
#include <cstdint>
#include <string_view>

#include "attri_dialogs/attri_controller.h"
#include "attri_dialogs/slope_response.h"
#include "model/ari_filter.h"

namespace attri_dialogs {

class CAttriFilterController {
public:
    static constexpr platform::gdi::Rect kGraph{135, 30, 663, 212};
    static constexpr double kMinGain = -30.0;
    static constexpr double kMaxGain = 9.0;

    CAttriFilterController(dsp_editor::CZoDSPView& view, model::CAriFilter& module);

    CAttriController& Base() { return m_base; }
    const CSlopeResponse& Response() const { return m_response; }

    std::int32_t Variant() const { return m_module.m_subType; }
    bool HasTypeList() const;
    // "滤波器类型(dB/oct)" or "增益 (dB)" by variant.
    std::string_view FirstLabel() const;
    // The string of that label (325 or 326).
    std::int32_t FirstLabelString() const;

    std::int32_t SelectedType() const { return m_type; }
    // A slope type chosen: 609 only when the count changes, then the 607s.
    bool OnTypeSelected(std::int32_t index);

    ValueEdit& FrequencyEdit() { return m_frequencyEdit; }
    std::int32_t FrequencySpin() const { return static_cast<std::int32_t>(m_frequency); }
    bool OnFrequencyEdit(EEditEvent event);
    void OnFrequencySpin(std::int32_t position);

    ValueEdit& GainEdit() { return m_gainEdit; }
    // The gain spin (0 to 390) of a gain: (trunc(g) + 30) x 10.
    static std::int32_t GainSpinPosition(double gain);
    std::int32_t GainSpin() const { return GainSpinPosition(m_gain); }
    bool OnGainEdit(EEditEvent event);
    void OnGainSpin(std::int32_t position);

    std::int32_t Bypass() const { return m_bypass; }
    bool OnBypass();

    double WorkingFrequency() const { return m_frequency; }
    double WorkingGain() const { return m_gain; }
    const ResponseCurve& Curve() const { return m_curve; }
    platform::gdi::Rect HandleRect() const;
    bool Dragging() const { return m_dragging; }
    // Editable and on the handle: a drag starts (capture the mouse).
    bool OnMouseDown(platform::gdi::Point point);
    void OnMouseMove(platform::gdi::Point point);
    // Ends a drag: the frequency (and a shelf's gain) are committed.
    bool OnMouseUp();
    void Draw(platform::gdi::Canvas& canvas) const;

    void Refresh();
    bool SetDefaultValues();

private:
    bool IsShelf() const;
    void Preview();
    void ShowFrequency();
    void ShowGain();
    // The working type, frequency and gain into the module, with their
    // sections, as one parameter change; live, the sections go to the unit,
    // led by their count when `countChange` and the count changed.
    void Commit(bool countChange);
    bool CommitFrequency();
    bool CommitShelf();

    CAttriController m_base;
    model::CAriFilter& m_module;
    CConsoleCommandSink m_sink;
    CSlopeResponse m_response{kGraph, 42};

    std::int32_t m_type = model::kDefaultFilterType;
    double m_frequency = 1000.0;
    double m_gain = 0.0;
    std::int32_t m_bypass = 0;
    bool m_dragging = false;
    ValueEdit m_frequencyEdit;
    ValueEdit m_gainEdit;
    std::array<model::BiquadCoeffs, model::kMaxFilterSections> m_sections{};
    std::int32_t m_count = 1;
    ResponseCurve m_curve;
};

} // namespace attri_dialogs
