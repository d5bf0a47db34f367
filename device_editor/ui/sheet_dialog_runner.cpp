#include "device_editor/ui/sheet_dialog_runner.h"

#include "device_editor/ui/link_view_dialog.h"
#include "device_editor/ui/sheet_dialog_widgets.h"

namespace device_editor::ui {

CSheetDialogRunner::CSheetDialogRunner(CZoDeviceDoc& doc, QWidget* parent, QColorDialog& colours,
                                       QFontDialog& fonts)
    : m_parent(parent), m_colours(colours), m_fonts(fonts), m_drops(doc, m_measurer, *this) {}

bool CSheetDialogRunner::RunSheetSize(CSheetSizeController& dialog) {
    return CDeviceDlgSheetSize(dialog, m_parent).exec() == QDialog::Accepted;
}

bool CSheetDialogRunner::RunSheetColours(CSheetColourController& dialog) {
    return CDeviceDlgColorSet(dialog, m_colours, m_parent).exec() == QDialog::Accepted;
}

bool CSheetDialogRunner::RunAddGeneric(CAddGenericController& dialog) {
    return CDeviceDlgAddGeneric(dialog, m_parent).exec() == QDialog::Accepted;
}

bool CSheetDialogRunner::RunTextProperty(CTextPropertyController& dialog) {
    return CDeviceDlgTextProperty(dialog, m_colours, m_fonts, m_parent).exec() == QDialog::Accepted;
}

void CSheetDialogRunner::RunLinkView(CLinkViewController& dialog) {
    CDeviceDlgLinkView(dialog, m_parent).exec();
}

} // namespace device_editor::ui
