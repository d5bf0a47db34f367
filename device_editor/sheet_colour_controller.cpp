#include "device_editor/sheet_colour_controller.h"

#include <string>

#include "device_editor/zo_device_doc.h"
#include "model/undo_history.h"

namespace device_editor {

CSheetColourController::CSheetColourController(CZoDeviceDoc& doc)
    : m_doc(doc), m_opened(doc.GetSheetSettings()) {}

model::COLORREF CSheetColourController::Colour(ESheetColour item) const {
    const model::DeviceSheetSettings& s = m_doc.GetSheetSettings();
    switch (item) {
    case ESheetColour::PhysicalLink:
        return s.physicalLink;
    case ESheetColour::NetworkLink:
        return s.networkLink;
    case ESheetColour::Background:
        break;
    }
    return s.background;
}

void CSheetColourController::SetColour(ESheetColour item, model::COLORREF colour) {
    model::DeviceSheetSettings s = m_doc.GetSheetSettings();
    switch (item) {
    case ESheetColour::PhysicalLink:
        s.physicalLink = colour;
        break;
    case ESheetColour::NetworkLink:
        s.networkLink = colour;
        break;
    case ESheetColour::Background:
        s.background = colour;
        break;
    }
    m_doc.SetSheetSettings(s);
}

model::DeviceSheetSettings
CSheetColourController::WithColours(const model::DeviceSheetSettings& colours) const {
    model::DeviceSheetSettings s = m_doc.GetSheetSettings();
    s.physicalLink = colours.physicalLink;
    s.networkLink = colours.networkLink;
    s.background = colours.background;
    return s;
}

void CSheetColourController::OnOk() {
    // The step must hold the colours from before the dialog: record it with
    // those back in place, then keep the chosen ones.
    const model::DeviceSheetSettings chosen = m_doc.GetSheetSettings();
    m_doc.SetSheetSettings(WithColours(m_opened));
    if (model::CUndoHistory* history = m_doc.GetUndoHistory())
        history->AddSheetAction(model::kUndoSheet, m_doc);
    m_doc.SetSheetSettings(chosen);
    m_doc.SetModifiedFlag(true);
}

void CSheetColourController::OnCancel() {
    m_doc.SetSheetSettings(WithColours(m_opened));
}

bool CSheetColourController::SaveAsDefault() {
    const model::DeviceSheetSettings& s = m_doc.GetSheetSettings();
    return WriteSheetDefaults("ColorScheme", {{"SysDocBack", DecimalText(s.background)},
                                              {"SysPhysicalLine", DecimalText(s.physicalLink)},
                                              {"SysNetLine", DecimalText(s.networkLink)}});
}

} // namespace device_editor
