#include "device_editor/text_property_controller.h"

#include <string>
#include <utility>

#include "device_editor/sheet_dialog_fields.h"
#include "device_editor/zo_device_doc.h"
#include "model/device_models.h"
#include "model/messages.h"
#include "model/program_settings.h"
#include "model/undo_history.h"
#include "platform/app_paths/app_paths.h"
#include "platform/profile/profile.h"
#include "platform/text/format.h"
#include "platform/text/line_breaks.h"
#include "resources/message_ids.h"

namespace device_editor {

using model::CDeviceText;

CTextPropertyController::CTextPropertyController(CZoDeviceDoc& doc, CDeviceText& box,
                                                 const model::TextMeasurer& dc, bool recordUndo)
    : m_doc(doc), m_box(box), m_dc(dc), m_recordUndo(recordUndo), m_opened(Trial()),
      m_editText(ToEditText(box.m_name)) {}

CTextPropertyController::~CTextPropertyController() = default;

std::string CTextPropertyController::ToEditText(const std::string& boxText) {
    return platform::text::ToEditLines(boxText);
}

std::string CTextPropertyController::ToBoxText(const std::string& editText) {
    return platform::text::ToStoredLines(editText);
}

std::unique_ptr<CDeviceText> CTextPropertyController::Trial() const {
    auto copy = std::make_unique<CDeviceText>();
    copy->CopyFrom(m_box);
    return copy;
}

bool CTextPropertyController::IsDocumentDevice() const {
    for (const auto& device : m_doc.Devices())
        if (device.get() == &m_box)
            return true;
    return false;
}

void CTextPropertyController::Assign(const CDeviceText& from) {
    if (IsDocumentDevice()) {
        m_doc.ChangeDevice(m_box, from);
        return;
    }
    m_box.CopyFrom(from);
}

bool CTextPropertyController::ApplyIfFits(CDeviceText& trial) {
    trial.SetName(trial.m_name, m_dc);
    if (!m_doc.FitsOnSheet(trial, false))
        return false;
    Assign(trial);
    return true;
}

bool CTextPropertyController::OnTextChanged(const std::string& editText) {
    const std::string text = ToBoxText(editText);
    if (text != m_box.m_name) {
        const std::unique_ptr<CDeviceText> trial = Trial();
        trial->m_name = text;
        if (!ApplyIfFits(*trial))
            return false;
    }
    m_editText = editText;
    return true;
}

void CTextPropertyController::SetTextColour(model::COLORREF colour) {
    const std::unique_ptr<CDeviceText> trial = Trial();
    trial->m_colours[1] = colour;
    Assign(*trial);
}

void CTextPropertyController::SetBackColour(model::COLORREF colour) {
    const std::unique_ptr<CDeviceText> trial = Trial();
    trial->m_colours[0] = colour;
    Assign(*trial);
}

void CTextPropertyController::SetTransparent(bool transparent) {
    const std::unique_ptr<CDeviceText> trial = Trial();
    trial->m_transparent = transparent ? 1 : 0;
    Assign(*trial);
}

bool CTextPropertyController::SetFont(const model::LOGFONT& font) {
    const std::unique_ptr<CDeviceText> trial = Trial();
    trial->SetLogFont(font);
    return ApplyIfFits(*trial);
}

bool CTextPropertyController::SaveAsDefault() {
    platform::profile::ini_file_t ini(platform::app_paths::ProgramIniPath());
    const auto decimal = [](std::int64_t value) {
        return platform::text::format("%d", static_cast<int>(value));
    };
    const std::string model(model::ModelName(m_box.m_typeCode));
    const model::LOGFONT& f = m_box.m_font;
    const std::pair<const char*, std::int64_t> fontKeys[] = {
        {"Height", f.lfHeight},
        {"Width", f.lfWidth},
        {"Escapement", f.lfEscapement},
        {"Orientation", f.lfOrientation},
        {"Weight", f.lfWeight},
        {"Italic", f.lfItalic},
        {"Underline", f.lfUnderline},
        {"StrikeOut", f.lfStrikeOut},
        {"CharSet", f.lfCharSet},
        {"OutPrecision", f.lfOutPrecision},
        {"ClipPrecision", f.lfClipPrecision},
        {"Quality", f.lfQuality},
        {"PitchAndFamily", f.lfPitchAndFamily},
    };
    bool written = ini.write_string("ColorScheme", model + "Back", decimal(BackColour()));
    written = ini.write_string("ColorScheme", model + "Fore", decimal(TextColour())) && written;
    written =
        ini.write_string("ColorScheme", model + "Transparent", decimal(m_box.m_transparent)) &&
        written;
    for (const auto& [key, value] : fontKeys)
        written = ini.write_string("TextDeviceFont", key, decimal(value)) && written;
    written = ini.write_string("TextDeviceFont", "FaceName", f.lfFaceName) && written;
    // New text boxes read the settings' snapshot, not the file.
    model::ReloadProgramSettings();
    return written;
}

bool CTextPropertyController::OnOk() {
    if (ResultText().empty()) {
        model::ShowMessage(resources::kMsgEmptyText);
        return false;
    }
    if (m_recordUndo) {
        if (model::CUndoHistory* history = m_doc.GetUndoHistory()) {
            // The step holds the box as opened: record it with that state in
            // place, then put the edited state back. Nothing changes in the
            // end, so the views are not told.
            const std::unique_ptr<CDeviceText> edited = Trial();
            m_box.CopyFrom(*m_opened);
            model::CBaseDevice* devices[] = {&m_box};
            history->AddDeviceLinkAction(model::kUndoChange, devices, {});
            m_box.CopyFrom(*edited);
        }
        m_doc.SetModifiedFlag(true);
    }
    return true;
}

void CTextPropertyController::OnCancel() {
    Assign(*m_opened);
}

std::string CTextPropertyController::ResultText() const {
    return TrimBlanks(m_box.m_name);
}

} // namespace device_editor
