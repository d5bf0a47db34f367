#pragma once
// CAttriEqualizerController: the equalizer dialog without its widgets.
// It keeps the dialog's working frequency, gain and bandwidth per band and
// the sections designed from them; the response graph (CEqResponse) draws
// those, so spin steps, slider movement and drags preview without touching
// the module. Only a commit (Enter or leaving a field, the release of a
// drag, the end of a graphic slider's movement, flatten, bypass) writes the
// module and its undo copy and, live, sends the band's section (607) or the
// bypass (606). Values read from the module are clamped into the fields'
// ranges, so a damaged file cannot push the graph off its grid.
//
// The widget forwards its events and shows the accessors:
//   band list selection          -> OnBandSelected(index)
//   field text changed / lost    -> OnFieldText(field, text) (Enter as "\r\n"),
//                                   OnFieldFocusLost(field); show FieldText
//   spin button moved            -> OnSpin(field, position); SpinPosition,
//                                   SpinRange
//   graphic slider moved         -> OnSliderMoved(band, position); labels
//                                   from SliderLabels(variant)
//   slider pressed               -> OnSliderPressed(band)
//   slider release, key or wheel -> OnSliderEnd(band); SliderPosition,
//                                   SliderTooltip
//   flatten band / all bands     -> FlattenBand(), FlattenAllBands()
//   bypass, show band, show all, show drag points
//                                -> ToggleBypass(), ToggleShowBand(),
//                                   ToggleShowAllBands(), ToggleShowDragPoints()
//   mouse down / move / up       -> OnMouseDown/Move/Up(point); Capturing()
//   paint                        -> Draw(canvas)
//   "set default values"         -> SetDefaultValues()
//   RefreshControls              -> Refresh()
//   close, activation, mode      -> Base()
// Each handler returns whether the widget has to reload its controls and
// redraw the graph.
//
// User-interface thread only.
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "attri_dialogs/attri_commands.h"
#include "attri_dialogs/attri_controller.h"
#include "attri_dialogs/eq_response.h"
#include "model/ari_equalizer.h"

namespace attri_dialogs {

enum class EEqField { kFrequency, kGain, kBandwidth };

class CAttriEqualizerController {
public:
    static constexpr std::int32_t kMaxBands = model::CAriEqualizer::kMaxBands;
    static constexpr double kMinFrequency = 20.0, kMaxFrequency = 20000.0;
    static constexpr double kMinGain = -30.0, kMaxGain = 15.0;
    static constexpr double kMinBandwidth = 0.01, kMaxBandwidth = 4.0;
    static constexpr std::int32_t kSliderRange = 450; // 0 at +15 dB, 450 at -30 dB

    // Both outlive the controller. Loads every band from the module.
    CAttriEqualizerController(dsp_editor::CZoDSPView& view, model::CAriEqualizer& module);

    CAttriController& Base() { return m_base; }
    const CAttriController& Base() const { return m_base; }
    model::CAriEqualizer& Module() const { return m_module; }
    const CEqResponse& Response() const { return m_response; }

    // -- what the widget shows
    std::int32_t BandCount() const { return m_bands; }
    bool Graphic() const { return m_module.m_subType > 16; }
    std::int32_t CurrentBand() const { return m_current; }
    double Frequency(std::int32_t band) const { return m_frequency[Slot(band)]; }
    double Gain(std::int32_t band) const { return m_gain[Slot(band)]; }
    double Bandwidth(std::int32_t band) const { return m_bandwidth[Slot(band)]; }
    const model::BiquadCoeffs& Section(std::int32_t band) const { return m_section[Slot(band)]; }
    const std::string& FieldText(EEqField field) const { return m_text[Field(field)]; }
    std::int32_t SpinPosition(EEqField field) const;
    static std::pair<std::int32_t, std::int32_t> SpinRange(EEqField field);
    std::int32_t SliderPosition(std::int32_t band) const;
    // The labels under a graphic variant's sliders, band by band (none for
    // a parametric variant).
    static std::span<const char* const> SliderLabels(std::int32_t variant);
    std::string SliderTooltip(std::int32_t band) const;
    bool Bypass() const { return m_bypass; }
    bool ShowBand() const { return m_response.Band(m_current).show; }
    bool ShowAllBands() const { return m_showAll; }
    bool ShowDragPoints() const { return m_showPoints; }
    // A drag is under way (the widget holds the mouse).
    bool Capturing() const { return m_pointDrag >= 0 || m_widthDrag >= 0; }

    // -- events
    bool OnBandSelected(std::int32_t band);
    bool OnFieldText(EEqField field, const std::string& text);
    bool OnFieldFocusLost(EEqField field);
    bool OnSpin(EEqField field, std::int32_t position);
    bool OnSliderMoved(std::int32_t band, std::int32_t position);
    bool OnSliderPressed(std::int32_t band);
    bool OnSliderEnd(std::int32_t band);
    bool FlattenBand();
    bool FlattenAllBands();
    bool ToggleBypass();
    bool ToggleShowBand();
    bool ToggleShowAllBands();
    bool ToggleShowDragPoints();
    bool OnMouseDown(platform::gdi::Point at);
    bool OnMouseMove(platform::gdi::Point at);
    bool OnMouseUp(platform::gdi::Point at);

    // Whether the module holds the values it is reset to (bypass off, every
    // band on, at 0 dB and at its built frequency and bandwidth).
    bool AtDefaults() const;
    // Editable and not at defaults: one undo step and the view's reset.
    bool SetDefaultValues();
    // Reloads every band and the fields from the module; nothing is sent.
    void Refresh();

    void Draw(platform::gdi::Canvas& canvas) const;

private:
    static std::size_t Slot(std::int32_t band);
    static std::size_t Field(EEqField field) { return static_cast<std::size_t>(field); }
    double& Working(EEqField field, std::int32_t band);
    void LoadBand(std::int32_t band);
    // Designs the band's section from its working values and its curve.
    void Preview(std::int32_t band);
    void ShowFields();
    void Highlight();
    // Reads a field's text into the working value, clamped and reformatted.
    void ReadField(EEqField field);
    bool CommitField(EEqField field);
    // Writes the band's working values and section into the module and the
    // undo copy and sends the section, when any differs or `always`.
    bool CommitBand(std::int32_t band, bool always);
    bool Flatten(bool all);

    CAttriController m_base;
    model::CAriEqualizer& m_module;
    CConsoleCommandSink m_sink;
    CEqResponse m_response;
    std::int32_t m_bands = 0;
    std::int32_t m_current = 0;
    std::array<double, kMaxBands> m_frequency{}, m_gain{}, m_bandwidth{};
    std::array<model::BiquadCoeffs, kMaxBands> m_section{};
    std::array<std::string, 3> m_text;
    bool m_bypass = false;
    bool m_showAll = false;
    bool m_showPoints = true;
    std::int32_t m_pointDrag = -1;
    std::int32_t m_widthDrag = -1;
};

} // namespace attri_dialogs
