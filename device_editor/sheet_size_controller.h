#pragma once
// The sheet-size dialog of a device document without its widget.
//
// Widget mapping (the sheet-size dialog):
//   edits 1049 / 1050                  -> WidthText() / HeightText() shown,
//                                        SetWidthText / SetHeightText on change
//   OK                                 -> OnOk(): closes when true, else the
//                                        focus goes to Focus()
//   "save as default" (1039)           -> SaveAsDefault(): on false the focus
//                                        goes to Focus(); stays open
#include <cstdint>
#include <optional>
#include <string>

#include "device_editor/sheet_dialog_fields.h"
#include "model/gdi_types.h"
#include "model/sheet_size.h"

namespace device_editor {

class CZoDeviceDoc;

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

} // namespace device_editor
