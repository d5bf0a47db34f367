#pragma once
// The sheet dialogs of a device document without their widgets: the sheet
// colours, the sheet size and the add-generic-device dialog. Each controller
// holds the dialog's values, checks them, shows the messages and writes into
// the document; the widget dialog shows the values, calls the controller on
// every control and closes when the controller says so.
//
// Widget mapping, CSheetColourController (the colour dialog):
//   swatch 1016 / 1017 / 1018 painted  -> Colour(PhysicalLink / NetworkLink /
//                                        Background)
//   swatch clicked                     -> the shared colour dialog (full open)
//                                        on Colour(item); on OK
//                                        SetColour(item, c), repaint
//   "save as default" (1053)           -> SaveAsDefault(); stays open
//   OK                                 -> OnOk(), close
//   Cancel                             -> OnCancel(), close
// CSheetSizeController (the sheet-size dialog):
//   edits 1049 / 1050                  -> WidthText() / HeightText() shown,
//                                        SetWidthText / SetHeightText on change
//   OK                                 -> OnOk(): closes when true, else the
//                                        focus goes to Focus()
//   "save as default" (1039)           -> SaveAsDefault(): on false the focus
//                                        goes to Focus(); stays open
// CAddGenericController (the generic device dialog):
//   the three edits                    -> InputsText() / OutputsText() /
//                                        NameText() and their setters
//   OK                                 -> OnOk(): the edits show the trimmed
//                                        texts; closes when true, else the
//                                        focus goes to Focus()
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "device_editor/device_doc_seams.h"
#include "model/device_document.h"
#include "model/gdi_types.h"
#include "model/sheet_size.h"

namespace device_editor {

class CZoDeviceDoc;

// The text with blanks (ASCII white space) cut from both ends.
std::string TrimBlanks(std::string_view text);
// A trimmed text of digits only, from `low` to `high`; none otherwise (also
// for an empty text).
std::optional<std::int32_t> ParseCount(std::string_view text, std::int32_t low, std::int32_t high);

// The field a refused OK puts the focus on.
enum class EDialogField { None, Width, Height, Inputs, Outputs, Text };

// -- sheet colours

enum class ESheetColour { PhysicalLink, NetworkLink, Background };

class CSheetColourController {
public:
    // The document outlives the controller; its colours now are the colours
    // "as opened".
    explicit CSheetColourController(CZoDeviceDoc& doc);

    // The document's current colour of the item (what its swatch shows).
    model::COLORREF Colour(ESheetColour item) const;
    // A colour chosen: it goes straight into the document, which the views
    // show while the dialog is open.
    void SetColour(ESheetColour item, model::COLORREF colour);
    // Keeps the colours with one undo step (kind 4) that holds the colours
    // from before the dialog, and marks the document modified.
    void OnOk();
    // Puts the colours from before the dialog back.
    void OnCancel();
    // Writes the current colours as the defaults of new sheets ([ColorScheme]
    // SysDocBack, SysPhysicalLine, SysNetLine) and reloads the settings.
    // False when the file cannot be written.
    bool SaveAsDefault();

private:
    model::DeviceSheetSettings WithColours(const model::DeviceSheetSettings& colours) const;

    CZoDeviceDoc& m_doc;
    model::DeviceSheetSettings m_opened; // only the colours are used
};

// -- sheet size

class CSheetSizeController {
public:
    static constexpr std::int32_t kMinSize = model::kMinSheetSide;
    static constexpr std::int32_t kMaxSize = model::kMaxSheetSide;

    // The size shown and the smallest size the devices allow.
    CSheetSizeController(std::int32_t width, std::int32_t height, model::Size minimum);
    // The document's size and its devices' extent.
    static CSheetSizeController ForDocument(const CZoDeviceDoc& doc);

    const std::string& WidthText() const { return m_widthText; }
    const std::string& HeightText() const { return m_heightText; }
    void SetWidthText(std::string text) { m_widthText = std::move(text); }
    void SetHeightText(std::string text) { m_heightText = std::move(text); }

    // Checks the texts (digits only, kMinSize..kMaxSize: message 137 / 186),
    // then the minimum (138 / 139). True: Width() and Height() hold the new
    // size and the dialog closes. False: the message was shown and Focus()
    // names the field at fault.
    bool OnOk();
    // The text checks alone (not the minimum); then [SheetSize] SheetWidth
    // and SheetHeight are written and the settings reloaded. False when a
    // text is refused (Focus() at fault) or the file cannot be written.
    bool SaveAsDefault();

    std::int32_t Width() const { return m_width; }
    std::int32_t Height() const { return m_height; }
    EDialogField Focus() const { return m_focus; }

private:
    // The two texts as numbers, or the message and the focus.
    std::optional<model::Size> CheckTexts();

    std::int32_t m_width, m_height;
    model::Size m_minimum;
    std::string m_widthText, m_heightText;
    EDialogField m_focus = EDialogField::None;
};

// -- generic device

class CAddGenericController {
public:
    static constexpr std::int32_t kMaxChannels = 50;

    // The counts start at "1".
    explicit CAddGenericController(std::string name);

    const std::string& InputsText() const { return m_inputsText; }
    const std::string& OutputsText() const { return m_outputsText; }
    const std::string& NameText() const { return m_nameText; }
    void SetInputsText(std::string text) { m_inputsText = std::move(text); }
    void SetOutputsText(std::string text) { m_outputsText = std::move(text); }
    void SetNameText(std::string text) { m_nameText = std::move(text); }

    // Trims the three texts, then checks the counts (1..50, digits only).
    // True: Result() holds the device; false: the message was shown and
    // Focus() names the count at fault. Any name, also an empty one, is
    // taken.
    bool OnOk();
    const GenericDeviceEntry& Result() const { return m_result; }
    EDialogField Focus() const { return m_focus; }

private:
    std::string m_inputsText = "1";
    std::string m_outputsText = "1";
    std::string m_nameText;
    GenericDeviceEntry m_result;
    EDialogField m_focus = EDialogField::None;
};

} // namespace device_editor
