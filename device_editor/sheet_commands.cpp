#include "device_editor/sheet_commands.h"

#include "device_editor/add_generic_controller.h"
#include "device_editor/link_view_controller.h"
#include "device_editor/sheet_colour_controller.h"
#include "device_editor/sheet_size_controller.h"
#include "device_editor/text_property_controller.h"
#include "device_editor/zo_device_doc.h"
#include "model/device_text.h"
#include "model/undo_history.h"

namespace device_editor {

namespace {

void RunSheetSize(CZoDeviceDoc& doc, ISheetDialogRunner& runner) {
    CSheetSizeController dialog = CSheetSizeController::ForDocument(doc);
    if (!runner.RunSheetSize(dialog))
        return;
    // Both commands record the step: without it, undoing an older sheet
    // step (colours, grid) would put the old size back with it.
    if (model::CUndoHistory* history = doc.GetUndoHistory())
        history->AddSheetAction(model::kUndoSheet, doc);
    model::DeviceSheetSettings settings = doc.GetSheetSettings();
    settings.width = dialog.Width();
    settings.height = dialog.Height();
    doc.SetSheetSettings(settings);
    doc.SetModifiedFlag(true);
    doc.OnUpdatePane(CZoDeviceDoc::kPaneSheetSize);
}

} // namespace

bool IsSheetDialogCommand(int id) {
    return id == kCmdSheetSize || id == kCmdDocumentSize || id == kCmdColours ||
           id == kCmdColourScheme || id == kCmdLinkList;
}

bool RunSheetDialogCommand(CZoDeviceDoc& doc, int id, ISheetDialogRunner& runner,
                           IDeviceMainFrame* frame) {
    switch (id) {
    case kCmdSheetSize:
    case kCmdDocumentSize:
        RunSheetSize(doc, runner);
        return true;
    case kCmdColours:
    case kCmdColourScheme: {
        CSheetColourController dialog(doc);
        runner.RunSheetColours(dialog);
        if (frame != nullptr)
            frame->UpdateStatusPanes(1);
        return true;
    }
    case kCmdLinkList: {
        CLinkViewController dialog(doc);
        runner.RunLinkView(dialog);
        return true;
    }
    default:
        return false;
    }
}

bool EditTextProperties(CZoDeviceDoc& doc, model::CDeviceText& box, const model::TextMeasurer& dc,
                        ISheetDialogRunner& runner) {
    CTextPropertyController dialog(doc, box, dc);
    return runner.RunTextProperty(dialog);
}

CSheetDropDialogs::CSheetDropDialogs(CZoDeviceDoc& doc, const model::TextMeasurer& dc,
                                     ISheetDialogRunner& runner)
    : m_doc(doc), m_dc(dc), m_runner(runner) {}

std::optional<GenericDeviceEntry> CSheetDropDialogs::AddGeneric(const std::string& name) {
    CAddGenericController dialog(name);
    if (!m_runner.RunAddGeneric(dialog))
        return std::nullopt;
    return dialog.Result();
}

bool CSheetDropDialogs::EditText(model::CDeviceText& text) {
    CTextPropertyController dialog(m_doc, text, m_dc, false);
    if (!m_runner.RunTextProperty(dialog))
        return false;
    text.m_name = dialog.ResultText();
    return true;
}

} // namespace device_editor
