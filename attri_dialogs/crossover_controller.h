#pragma once
// CAttriCrossoverController: the crossover module's attribute dialog
// without its widgets. The dialog shows the input level and mute, one band
// at a time (its filters in two columns, its output level, mute and
// invert), a summary panel per band and the response graph of every band,
// whose handles drag the band edges.
//
// Previews (spin steps, drags) and what the dialog shows on opening and
// refresh are designed into the dialog's own sections, which the curves
// use; the module's types, frequencies, counts and sections change only on
// a commit, together with the undo step's copy. A frequency the module
// holds outside 20 to 20000 Hz is shown clamped and a type outside the
// table as "BW 12"; the module keeps them until a commit of that position.
//
// The widget dialog forwards (column 0 the left, 1 the right):
//   band button clicked            -> SelectBand(b)
//   input / output level edit      -> InputLevelEdit() / OutputLevelEdit() hold the
//     text; text changed (Enter as "\r\n") or focus lost -> OnInputLevel / OnOutputLevel
//   level edit focus               -> OnLevelEditFocus(target): show the slider if true
//   slider moving / released       -> OnSliderMoving(position) / OnSliderReleased()
//   mute, invert buttons           -> OnInputMute(), OnOutputMute(), OnOutputInvert()
//   sync buttons                   -> OnSyncToggle(column)
//   type list selection / focus    -> OnTypeSelected(column, index) / OnTypeListFocus()
//   cut-off edit text / focus lost -> CutoffEdit(column) holds the text; OnCutoffEdit
//   spin button new position       -> OnSpin(column, position)
//   graph press / move / release   -> OnMouseDown(point), OnMouseMove(point), OnMouseUp()
//   paint                          -> Draw(canvas); panels show BandText(b) in BandPanel(b)
//   reload (undo, redo, defaults)  -> Refresh(); "Set default values" -> SetDefaultValues()
// and after each call reads the state back (ColumnPosition, ColumnType,
// SpinPosition, Sync, switch states, BandText).
//
// User-interface thread only.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "attri_dialogs/attri_controller.h"
#include "attri_dialogs/slope_response.h"
#include "model/ari_crossover.h"

namespace attri_dialogs {

class CAttriCrossoverController {
public:
    static constexpr std::int32_t kLeft = 0;
    static constexpr std::int32_t kRight = 1;
    static constexpr std::int32_t kInputTarget = 0;
    static constexpr std::int32_t kOutputTarget = 1;
    static constexpr platform::gdi::Rect kGraph{215, 30, 743, 184};
    // The graph enlarged by 4 pixels: what a drag repaints.
    static constexpr platform::gdi::Rect kDragArea{211, 26, 747, 188};

    CAttriCrossoverController(dsp_editor::CZoDSPView& view, model::CAriCrossover& module);

    CAttriController& Base() { return m_base; }
    const CAttriController& Base() const { return m_base; }
    const CSlopeResponse& Response() const { return m_response; }

    std::int32_t Bands() const { return m_bands; }
    std::int32_t Positions() const { return m_positions; }
    // The band buttons' captions, low to high.
    std::vector<std::string> BandCaptions() const;
    // The string that renames band b's button in the 2- and 3-way layouts
    // (257, 258); 0 when the button keeps the caption of the 4-way layout.
    std::int32_t BandCaptionString(std::int32_t band) const;

    // -- the selected band and its two columns

    std::int32_t SelectedBand() const { return m_selected; }
    // Selects band b (0 to Bands() - 1), also view-only.
    void SelectBand(std::int32_t band);
    // The position a column edits in the selected band; -1 when disabled.
    std::int32_t ColumnPosition(std::int32_t column) const;
    // The type the column's list shows (also for a disabled column).
    std::int32_t ColumnType(std::int32_t column) const;
    ValueEdit& CutoffEdit(std::int32_t column) { return m_cutoff[Side(column)]; }
    // The spin position: the integer part of the working frequency.
    std::int32_t SpinPosition(std::int32_t column) const;
    bool Sync(std::int32_t column) const;
    bool SyncEnabled(std::int32_t column) const;

    // Kept in the dialog only; the slider hides.
    void OnSyncToggle(std::int32_t column);
    void OnTypeListFocus();
    // A type chosen in a column: the position (and its partner under sync)
    // takes it; 609 and 607 go out. Whether the module changed.
    bool OnTypeSelected(std::int32_t column, std::int32_t index);
    // The cut-off edit's text changed or focus lost; committed on Enter or
    // focus loss. Whether the module changed.
    bool OnCutoffEdit(std::int32_t column, EEditEvent event);
    // A spin step to `position`: a preview only.
    void OnSpin(std::int32_t column, std::int32_t position);

    // -- levels and switches

    ValueEdit& InputLevelEdit() { return m_inputLevel; }
    ValueEdit& OutputLevelEdit() { return m_outputLevel[Band(m_selected)]; }
    bool OnInputLevel(EEditEvent event);
    bool OnOutputLevel(EEditEvent event);
    bool OnLevelEditFocus(std::int32_t target);
    std::int32_t SliderTarget() const { return m_sliderTarget; }
    void OnSliderMoving(std::int32_t position);
    bool OnSliderReleased();
    std::int32_t InputMute() const { return m_inputMute; }
    std::int32_t OutputMute() const { return m_outputMute[Band(m_selected)]; }
    std::int32_t OutputInvert() const { return m_outputInvert[Band(m_selected)]; }
    bool OnInputMute();
    bool OnOutputMute();
    bool OnOutputInvert();

    // -- summaries and graph

    // The summary text of a band and the panel (0 to 3) it goes into.
    std::string BandText(std::int32_t band) const;
    std::int32_t BandPanel(std::int32_t band) const;
    double WorkingFrequency(std::int32_t position) const { return m_frequency[Position(position)]; }
    std::int32_t WorkingType(std::int32_t position) const { return m_type[Position(position)]; }
    const ResponseCurve& Curve(std::int32_t band) const { return m_curve[Band(band)]; }
    platform::gdi::Rect HandleRect(std::int32_t position) const;
    bool Dragging(std::int32_t position) const { return m_dragging[Position(position)]; }

    enum class EMouseDown {
        kNone,   // nothing hit (or view-only): the widget moves the focus away
        kDrag,   // a handle: capture the mouse
        kSelect, // a curve: its band is selected
    };
    EMouseDown OnMouseDown(platform::gdi::Point point);
    // While dragging: the working frequencies follow the pointer.
    void OnMouseMove(platform::gdi::Point point);
    // Ends a drag and commits the dragged columns as a focus loss would.
    bool OnMouseUp();
    bool IsDragging() const;
    void Draw(platform::gdi::Canvas& canvas) const;

    // Reloads every value from the module and selects band 0.
    void Refresh();
    // "Set default values": the base's reset, then the reload.
    bool SetDefaultValues();

private:
    static std::size_t Side(std::int32_t column) { return column == kRight ? 1 : 0; }
    std::size_t Band(std::int32_t band) const;
    std::size_t Position(std::int32_t position) const;
    std::int32_t BandOf(std::int32_t position) const { return (position + 1) / 2; }
    static std::int32_t Partner(std::int32_t position) { return position ^ 1; }
    bool& SyncFlag(std::int32_t column);
    std::int32_t SyncColumnOf(std::int32_t position) const;

    // The position's sections at its working type and frequency, into the
    // dialog's own copy, and its band's curve.
    void Preview(std::int32_t position);
    void ShowCutoffs();
    void ReloadWorking(std::int32_t position);
    AttriParameter InputLevelParameter() const;
    AttriParameter OutputLevelParameter() const;
    AttriParameter OutputSwitchParameter(std::int32_t code) const;
    // Type, frequency and sections of a position, and of its partner
    // unless that is -1, into the module as one parameter change; live,
    // each position's sections go to the unit, led by their count when
    // `withCount`.
    void Commit(std::int32_t position, std::int32_t partner, bool withCount);
    bool CommitCutoff(std::int32_t column);

    CAttriController m_base;
    model::CAriCrossover& m_module;
    CConsoleCommandSink m_sink;
    CSlopeResponse m_response{kGraph, 14};

    std::int32_t m_bands = 2;
    std::int32_t m_positions = 2;
    std::int32_t m_selected = 0;
    std::array<bool, 4> m_leftSync{};
    std::array<bool, 4> m_rightSync{};
    ValueEdit m_inputLevel;
    std::array<ValueEdit, 4> m_outputLevel{};
    std::int32_t m_inputMute = 0;
    std::array<std::int32_t, 4> m_outputMute{};
    std::array<std::int32_t, 4> m_outputInvert{};
    std::int32_t m_sliderTarget = kInputTarget;
    std::array<ValueEdit, 2> m_cutoff{};

    std::array<std::int32_t, 6> m_type{};
    std::array<double, 6> m_frequency{};
    std::array<bool, 6> m_dragging{};
    std::array<std::array<model::BiquadCoeffs, model::kMaxFilterSections>, 6> m_sections{};
    std::array<std::int32_t, 6> m_count{};
    std::array<ResponseCurve, 4> m_curve{};
};

} // namespace attri_dialogs
