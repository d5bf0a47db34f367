#pragma once
// The device sheet dialogs of one document as the program runs them: each
// modally over its window, with the main window's shared colour and font
// dialogs, and the dialogs a palette drop opens.
#include <QPointer>
#include <QWidget>

#include "device_editor/sheet_commands.h"
#include "platform/gdi/qt_canvas.h"

class QColorDialog;
class QFontDialog;

namespace device_editor::ui {

class CSheetDialogRunner final : public ISheetDialogRunner {
public:
    // The document and the shared dialogs outlive the runner; the dialogs
    // open over `parent` while it lives.
    CSheetDialogRunner(CZoDeviceDoc& doc, QWidget* parent, QColorDialog& colours,
                       QFontDialog& fonts);

    // What the document's palette drops open.
    IDeviceDocDialogs& DropDialogs() { return m_drops; }
    // What a text box is measured with while its dialog is open.
    const model::TextMeasurer& Measurer() const { return m_measurer; }

    bool RunSheetSize(CSheetSizeController& dialog) override;
    bool RunSheetColours(CSheetColourController& dialog) override;
    bool RunAddGeneric(CAddGenericController& dialog) override;
    bool RunTextProperty(CTextPropertyController& dialog) override;
    void RunLinkView(CLinkViewController& dialog) override;

private:
    QPointer<QWidget> m_parent;
    QColorDialog& m_colours;
    QFontDialog& m_fonts;
    platform::gdi::QtTextMeasurer m_measurer;
    CSheetDropDialogs m_drops;
};

} // namespace device_editor::ui
