#include "device_editor/sheet_dialogs.h"

#include <initializer_list>
#include <string>
#include <utility>

#include "device_editor/zo_device_doc.h"
#include "model/messages.h"
#include "model/program_settings.h"
#include "model/undo_history.h"
#include "platform/app_paths/app_paths.h"
#include "platform/profile/profile.h"
#include "platform/text/format.h"
#include "resources/message_ids.h"

namespace device_editor {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string Decimal(std::int64_t value) {
    return platform::text::format("%d", static_cast<int>(value));
}

// Writes the keys of one section and has new objects take them at once.
bool WriteDefaults(std::string_view section,
                   std::initializer_list<std::pair<std::string_view, std::string>> keys) {
    platform::profile::ini_file_t ini(platform::app_paths::ProgramIniPath());
    bool written = true;
    for (const auto& [key, value] : keys)
        written = ini.write_string(section, key, value) && written;
    model::ReloadProgramSettings();
    return written;
}

} // namespace

std::string TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

std::optional<std::int32_t> ParseCount(std::string_view text, std::int32_t low, std::int32_t high) {
    const std::string trimmed = TrimBlanks(text);
    if (trimmed.empty())
        return std::nullopt;
    std::int64_t value = 0;
    for (const char c : trimmed) {
        if (c < '0' || c > '9')
            return std::nullopt;
        // Past `high` the value can only grow: stop before it overflows.
        if (value <= high)
            value = value * 10 + (c - '0');
    }
    if (value < low || value > high)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

// -- sheet colours

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
    return WriteDefaults("ColorScheme", {{"SysDocBack", Decimal(s.background)},
                                         {"SysPhysicalLine", Decimal(s.physicalLink)},
                                         {"SysNetLine", Decimal(s.networkLink)}});
}

// -- sheet size

CSheetSizeController::CSheetSizeController(std::int32_t width, std::int32_t height,
                                           model::Size minimum)
    : m_width(width), m_height(height), m_minimum(minimum), m_widthText(Decimal(width)),
      m_heightText(Decimal(height)) {}

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
    return size && WriteDefaults("SheetSize", {{"SheetWidth", Decimal(size->cx)},
                                               {"SheetHeight", Decimal(size->cy)}});
}

// -- generic device

CAddGenericController::CAddGenericController(std::string name) : m_nameText(std::move(name)) {}

bool CAddGenericController::OnOk() {
    m_inputsText = TrimBlanks(m_inputsText);
    m_outputsText = TrimBlanks(m_outputsText);
    m_nameText = TrimBlanks(m_nameText);
    const std::optional<std::int32_t> inputs = ParseCount(m_inputsText, 1, kMaxChannels);
    if (!inputs) {
        m_focus = EDialogField::Inputs;
        model::ShowMessage(resources::kMsgBadInputs);
        return false;
    }
    const std::optional<std::int32_t> outputs = ParseCount(m_outputsText, 1, kMaxChannels);
    if (!outputs) {
        m_focus = EDialogField::Outputs;
        model::ShowMessage(resources::kMsgBadOutputs);
        return false;
    }
    m_focus = EDialogField::None;
    m_result = GenericDeviceEntry{m_nameText, *inputs, *outputs};
    return true;
}

} // namespace device_editor
