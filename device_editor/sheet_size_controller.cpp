#include "device_editor/sheet_size_controller.h"

#include <string>

#include "device_editor/zo_device_doc.h"
#include "model/messages.h"
#include "resources/message_ids.h"

namespace device_editor {

CSheetSizeController::CSheetSizeController(std::int32_t width, std::int32_t height,
                                           model::Size minimum)
    : m_width(width), m_height(height), m_minimum(minimum), m_widthText(DecimalText(width)),
      m_heightText(DecimalText(height)) {}

CSheetSizeController CSheetSizeController::ForDocument(const CZoDeviceDoc& doc) {
    const model::DeviceSheetSettings& s = doc.GetSheetSettings();
    return CSheetSizeController(s.width, s.height, doc.GetDevicesExtent());
}

std::optional<model::Size> CSheetSizeController::CheckTexts() {
    const std::optional<std::int32_t> width = ParseCount(m_widthText, kMinSize, kMaxSize);
    if (!width) {
        m_focus = EDialogField::Width;
        model::ShowMessage(resources::kMsgBadWidth);
        return std::nullopt;
    }
    const std::optional<std::int32_t> height = ParseCount(m_heightText, kMinSize, kMaxSize);
    if (!height) {
        m_focus = EDialogField::Height;
        model::ShowMessage(resources::kMsgBadHeight);
        return std::nullopt;
    }
    m_focus = EDialogField::None;
    return model::Size{*width, *height};
}

bool CSheetSizeController::OnOk() {
    const std::optional<model::Size> size = CheckTexts();
    if (!size)
        return false;
    if (size->cx < m_minimum.cx) {
        m_focus = EDialogField::Width;
        model::ShowMessage(resources::kMsgWidthTooSmall);
        return false;
    }
    if (size->cy < m_minimum.cy) {
        m_focus = EDialogField::Height;
        model::ShowMessage(resources::kMsgHeightTooSmall);
        return false;
    }
    m_width = size->cx;
    m_height = size->cy;
    return true;
}

bool CSheetSizeController::SaveAsDefault() {
    const std::optional<model::Size> size = CheckTexts();
    return size && WriteSheetDefaults("SheetSize", {{"SheetWidth", DecimalText(size->cx)},
                                                    {"SheetHeight", DecimalText(size->cy)}});
}

} // namespace device_editor
