#pragma once
// CTextPropertyController: the text box dialog of a device sheet without its
// widgets. Every change (text, colours, transparency, font) is applied to the
// box at once and shown on the sheet; a text or font that would make the box
// too large for the sheet is refused and the box stays as it was. Cancel
// puts the box back exactly as it was opened.
//
// Each change is tried on a copy of the box, kept on the sheet there, and
// only then written into the box (through the document when the box is one
// of its devices, so the views repaint the old and the new area). A refused
// change so never touches the box.
//
// The box keeps its lines joined with "\r\n" (how it splits and measures
// them); the dialog's multi-line edit shows them with "\n".
//
// Widget mapping (CDeviceDlgTextProperty):
//   edit 1051 shown                 -> EditText()
//   edit 1051 changed               -> OnTextChanged(text); on false the edit
//                                      shows EditText() again (the previous
//                                      text); in both cases its undo buffer
//                                      is emptied
//   swatch 1054 / 1032 painted      -> TextColour() / BackColour()
//   swatch clicked                  -> the shared colour dialog (full open) on
//                                      that colour; on OK SetTextColour(c) /
//                                      SetBackColour(c), repaint
//   check box 1052                  -> Transparent(); toggled:
//                                      SetTransparent(checked)
//   "选择字体..." (1055)              -> the shared font dialog on Font()
//                                      (QFont <-> LOGFONT through platform/gdi);
//                                      on OK SetFont(font)
//   "保存为默认" (1053)               -> SaveAsDefault()
//   OK (1)                          -> OnOk(): closes when true, else the focus
//                                      goes to the edit
//   Cancel (2, 4)                   -> OnCancel(), close
#include <cstdint>
#include <memory>
#include <string>

#include "model/device_text.h"
#include "model/gdi_types.h"

namespace device_editor {

class CZoDeviceDoc;

class CTextPropertyController {
public:
    // The document keeps the box on its sheet and records the undo step; the
    // box may be one of its devices or a new box not yet added (a palette
    // drop). `dc` measures the text (the active view's). All outlive the
    // controller. With `recordUndo` clear OK records nothing: the palette
    // drop records the creation itself.
    CTextPropertyController(CZoDeviceDoc& doc, model::CDeviceText& box,
                            const model::TextMeasurer& dc, bool recordUndo = true);
    ~CTextPropertyController();
    CTextPropertyController(const CTextPropertyController&) = delete;
    CTextPropertyController& operator=(const CTextPropertyController&) = delete;

    // The text as the edit shows it, lines separated by "\n".
    const std::string& EditText() const { return m_editText; }
    // The edit changed: the text becomes the box's name, the box sized to
    // it and kept on the sheet. False when the box would no longer fit: the
    // box keeps its text and EditText() is still the previous text.
    bool OnTextChanged(const std::string& editText);

    model::COLORREF TextColour() const { return m_box.m_colours[1]; }
    model::COLORREF BackColour() const { return m_box.m_colours[0]; }
    void SetTextColour(model::COLORREF colour);
    void SetBackColour(model::COLORREF colour);
    bool Transparent() const { return m_box.m_transparent != 0; }
    void SetTransparent(bool transparent);
    const model::LOGFONT& Font() const { return m_box.m_font; }
    // A font chosen: the box is sized again in it. False when it would no
    // longer fit: the box keeps its font and its size.
    bool SetFont(const model::LOGFONT& font);

    // Writes the box's colours, transparency and font as the defaults of new
    // text boxes ([ColorScheme] <model name>Back, Fore, Transparent;
    // [TextDeviceFont]) and reloads the settings. False when the file cannot
    // be written.
    bool SaveAsDefault();

    // Checks the text first: an empty (trimmed) text gives message 240 and
    // false, nothing recorded. Otherwise, when recording, one undo step
    // (kind 3) holding the box as opened and the document marked modified,
    // and true: the dialog closes.
    bool OnOk();
    // Puts the box back as it was opened.
    void OnCancel();
    // After OnOk: the trimmed text, what a dropped box is named.
    std::string ResultText() const;

    // The box's "\r\n" text as the edit shows it, and back.
    static std::string ToEditText(const std::string& boxText);
    static std::string ToBoxText(const std::string& editText);

private:
    // A copy of the box for trying a change.
    std::unique_ptr<model::CDeviceText> Trial() const;
    // box := from, announced to the views when the box is a document device.
    void Assign(const model::CDeviceText& from);
    // The trial sized to its text and kept on the sheet; written into the
    // box when it fits. Whether it did.
    bool ApplyIfFits(model::CDeviceText& trial);
    bool IsDocumentDevice() const;

    CZoDeviceDoc& m_doc;
    model::CDeviceText& m_box;
    const model::TextMeasurer& m_dc;
    bool m_recordUndo;
    std::unique_ptr<model::CDeviceText> m_opened;
    std::string m_editText;
};

} // namespace device_editor
