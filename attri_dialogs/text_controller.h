#pragma once
// CAttriTextController: the text box dialog without its widgets. A text box
// exists on the sheet only, so nothing here ever reaches the unit: each
// change is recorded for undo (merged with the box's newest step, so a run
// of typing undoes at once), written into the box and its undo copy, marks
// the document modified, passes to the binding group and redraws the view.
//
// The box keeps its lines separated by "\r\n" (how it splits and measures
// them); the dialog's multi-line edit uses "\n". EditText and OnTextChanged
// convert between the two.
//
// The widget dialog maps its controls as follows:
//   text edit changed             -> OnTextChanged(plain text)
//   transparency button clicked   -> OnTransparency(); checked Transparent()
//                                    (view-only: the button is set back)
//   background / text swatch click -> editable only, the colour dialog on
//                                    BackColour() / TextColour(); on OK
//                                    SetBackColour(c) / SetTextColour(c)
//   font button clicked           -> editable only, the font dialog on Font()
//                                    (converted by platform/gdi's Qt adapter);
//                                    on OK SetFont(font). The font dialog has
//                                    no colour: the text colour changes
//                                    through its swatch only.
//   "save as default" clicked     -> SaveAsDefault()
//   "set default values"          -> SetDefaultValues()
//   RefreshControls               -> Refresh(), then the edit, the button
//                                    and both swatches from the getters
// Cancelling a colour or font dialog calls nothing.
#include <cstdint>
#include <functional>
#include <string>

#include "attri_dialogs/attri_controller.h"
#include "model/ari_text.h"
#include "platform/gdi/colour.h"
#include "platform/gdi/logfont.h"

namespace attri_dialogs {

class CAttriTextController : public CAttriController {
public:
    // Both outlive it.
    CAttriTextController(dsp_editor::CZoDSPView& view, model::CAriText& text);

    // The dialog's values again from the box.
    void Refresh();

    // The text as the edit shows it, lines separated by "\n".
    const std::string& EditText() const { return m_editText; }
    std::int32_t Transparent() const { return m_transparent; }
    platform::gdi::COLORREF BackColour() const;
    platform::gdi::COLORREF TextColour() const;
    const platform::gdi::LOGFONT& Font() const;

    // The edit's text changed, editable only: every change that differs
    // from the box's text is applied. Whether the box changed.
    bool OnTextChanged(const std::string& editText);
    // The transparency button clicked. Editable: the switch flips and is
    // applied; view-only: it stays. Whether the box changed.
    bool OnTransparency();
    // A colour or font chosen with OK, editable only. Whether the box changed.
    bool SetBackColour(platform::gdi::COLORREF colour);
    bool SetTextColour(platform::gdi::COLORREF colour);
    bool SetFont(const platform::gdi::LOGFONT& font);
    // Editable only: asks whether the box's colours are to become those of
    // new text boxes and, on OK, writes them into the program's settings
    // (nothing recorded, the document not marked). Whether they were written.
    bool SaveAsDefault();
    // Whether the text, the transparency, both colours and the font are
    // those of a new box.
    bool AtDefaults() const override;
    // "Set default values": the common reset (text, transparency, both
    // colours and font) unless at the defaults, then the view is redrawn.
    // Whether the box changed.
    bool SetDefaultValues() override;

    // The box's "\r\n" text as the edit shows it, and back.
    static std::string ToEditText(const std::string& boxText);
    static std::string ToBoxText(const std::string& editText);

private:
    model::CAriText& Box() const;
    // The change into the box and into its undo copy, then the rest of the
    // recipe (no command).
    void ApplyChange(const std::function<void(model::CAriText&)>& change);

    std::string m_editText;
    std::int32_t m_transparent = 0;
};

} // namespace attri_dialogs
