#pragma once
// The widgets of a device sheet's small dialogs: the sheet colours, the sheet
// size, a text box's properties and a generic device's channel counts. Each
// is a thin window over its headless controller (device_editor/
// sheet_colour_controller.h, sheet_size_controller.h, text_property_controller.h,
// add_generic_controller.h): it shows the controller's values, hands
// every change to it and closes when the controller says so. Every control
// is named "ctl<id>" after its control id, OK and Cancel included.
//
// Colours are chosen in the main window's shared colour dialog and fonts in
// its shared font dialog, so that each remembers the operator's last choice.
#include <QDialog>
#include <QFrame>

#include "device_editor/add_generic_controller.h"
#include "device_editor/sheet_colour_controller.h"
#include "device_editor/sheet_size_controller.h"
#include "device_editor/text_property_controller.h"
#include "model/gdi_types.h"

class QCheckBox;
class QColorDialog;
class QFontDialog;
class QLineEdit;
class QPlainTextEdit;

namespace device_editor::ui {

// Dialog ids of the language packs' [Dialog <id>] sections.
inline constexpr int kSheetColourDialog = 141;
inline constexpr int kSheetSizeDialog = 134;
inline constexpr int kTextPropertyDialog = 234;
inline constexpr int kAddGenericDialog = 4151;

// The push buttons every dialog has.
inline constexpr int kOkButton = 1;
inline constexpr int kCancelButton = 2;

// A swatch: a framed patch of one colour; a click on it asks for another.
class CColourSwatch final : public QFrame {
    Q_OBJECT
public:
    explicit CColourSwatch(QWidget* parent = nullptr);
    void SetColour(model::COLORREF colour);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    model::COLORREF m_colour = 0;
};

// Swatches 1016, 1017 and 1018 (physical links, network links, background);
// a chosen colour shows on the sheet at once, Cancel takes it back.
class CDeviceDlgColorSet final : public QDialog {
    Q_OBJECT
public:
    enum : int { kPhysicalSwatch = 1016, kNetworkSwatch = 1017, kBackgroundSwatch = 1018 };
    enum : int { kSaveDefault = 1053 };

    // The controller and the colour dialog outlive the window.
    CDeviceDlgColorSet(CSheetColourController& controller, QColorDialog& colours,
                       QWidget* parent = nullptr);

    void accept() override;
    void reject() override;

private:
    void Choose(ESheetColour item);
    void ShowColours();

    CSheetColourController& m_controller;
    QColorDialog& m_colours;
    CColourSwatch* m_swatches[3] = {};
};

// Edits 1049 (width) and 1050 (height); a refused size keeps the window
// open with the focus on the field at fault.
class CDeviceDlgSheetSize final : public QDialog {
    Q_OBJECT
public:
    enum : int { kWidthEdit = 1049, kHeightEdit = 1050, kSaveDefault = 1039 };

    explicit CDeviceDlgSheetSize(CSheetSizeController& controller, QWidget* parent = nullptr);

    void accept() override;

private:
    void TakeTexts();
    void FocusFieldAtFault();

    CSheetSizeController& m_controller;
    QLineEdit* m_width = nullptr;
    QLineEdit* m_height = nullptr;
};

// The text box's text (edit 1051, applied on every change), its colours
// (swatches 1054 text, 1032 background), transparency (1052) and font
// (1055).
class CDeviceDlgTextProperty final : public QDialog {
    Q_OBJECT
public:
    enum : int {
        kTextEdit = 1051,
        kTextSwatch = 1054,
        kBackSwatch = 1032,
        kTransparent = 1052,
        kFontButton = 1055,
        kSaveDefault = 1053,
        kCancel = 4,
    };

    // The controller and the shared dialogs outlive the window.
    CDeviceDlgTextProperty(CTextPropertyController& controller, QColorDialog& colours,
                           QFontDialog& fonts, QWidget* parent = nullptr);

    void accept() override;
    void reject() override;

private:
    void OnTextEdited();
    void ChooseColour(bool text);
    void ChooseFont();
    void ShowText();
    void ShowColours();

    CTextPropertyController& m_controller;
    QColorDialog& m_colours;
    QFontDialog& m_fonts;
    QPlainTextEdit* m_edit = nullptr;
    CColourSwatch* m_textSwatch = nullptr;
    CColourSwatch* m_backSwatch = nullptr;
    QCheckBox* m_transparent = nullptr;
};

// The new generic device's input count, output count and name.
class CDeviceDlgAddGeneric final : public QDialog {
    Q_OBJECT
public:
    enum : int { kInputsEdit = 4155, kOutputsEdit = 4156, kNameEdit = 4157 };

    explicit CDeviceDlgAddGeneric(CAddGenericController& controller, QWidget* parent = nullptr);

    void accept() override;

private:
    CAddGenericController& m_controller;
    QLineEdit* m_inputs = nullptr;
    QLineEdit* m_outputs = nullptr;
    QLineEdit* m_name = nullptr;
};

} // namespace device_editor::ui
