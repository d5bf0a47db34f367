#pragma once
// The sheet colours dialog of a device document without its widget.
//
// Widget mapping (the colour dialog):
//   swatch 1016 / 1017 / 1018 painted  -> Colour(PhysicalLink / NetworkLink /
//                                        Background)
//   swatch clicked                     -> the shared colour dialog (full open)
//                                        on Colour(item); on OK
//                                        SetColour(item, c), repaint
//   "save as default" (1053)           -> SaveAsDefault(); stays open
//   OK                                 -> OnOk(), close
//   Cancel                             -> OnCancel(), close
#include <cstdint>
#include <optional>
#include <string>

#include "device_editor/sheet_dialog_fields.h"
#include "model/device_document.h"
#include "model/gdi_types.h"

namespace device_editor {

class CZoDeviceDoc;

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

} // namespace device_editor
