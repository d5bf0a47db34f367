#include "device_editor/ui/matrix_route_dialog.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>

#include "device_editor/ui/dialog_support.h"
#include "shell/my_button.h"
#include "shell/ui/my_button_widget.h"
#include "shell/ui/text_fit.h"

namespace device_editor::ui {

namespace {

// Controls' ids: the cells row by row, then the column and row labels.
constexpr int kFirstCell = 1000;
constexpr int kFirstInputLabel = 1020;
constexpr int kFirstOutputLabel = 1030;

// Large enough for the cell's frame around the route picture.
constexpr int kCellSize = 32;

} // namespace

CDeviceDlgMatrixProperty::CDeviceDlgMatrixProperty(CZoDeviceDoc& doc, model::CDeviceMatrix& matrix,
                                                   IUnitPort& port, SheetLock lock, QWidget* parent)
    : QDialog(parent), m_controller(doc, matrix, port, std::move(lock)) {
    setWindowTitle(DialogText(kMatrixRouteDialog, 0, "路由矩阵设置") +
                   shell::FromUtf8(m_controller.CaptionSuffix()));

    static const char* const kInputLabels[kSize] = {"In 1", "In 2", "In 3", "In 4"};
    static const char* const kOutputLabels[kSize] = {"Out 1", "Out 2", "Out 3", "Out 4"};
    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    for (int input = 0; input < kSize; ++input)
        grid->addWidget(new QLabel(DialogText(kMatrixRouteDialog, kFirstInputLabel + input,
                                              kInputLabels[input]),
                                   this),
                        0, input + 1, Qt::AlignCenter);
    for (int output = 0; output < kSize; ++output) {
        grid->addWidget(new QLabel(DialogText(kMatrixRouteDialog, kFirstOutputLabel + output,
                                              kOutputLabels[output]),
                                   this),
                        output + 1, 0);
        for (int input = 0; input < kSize; ++input) {
            const int id = kFirstCell + output * kSize + input;
            auto* cell = new shell::ui::CMyButton(this);
            shell::ui::SetControlId(cell, id);
            cell->setFixedSize(kCellSize, kCellSize);
            // A push button: the cell shows what the table holds, not its
            // own idea of a toggle.
            cell->Attach(id, this, shell::kBitmapRouteNormal, shell::kBitmapRouteSelected,
                         shell::kBitmapRouteFocus, shell::kBitmapRouteDisabled);
            connect(cell, &shell::ui::CMyButton::Command, this, [this, output, input] {
                m_controller.Toggle(output, input);
                ShowRow(output);
            });
            grid->addWidget(cell, output + 1, input + 1);
            m_cells[output][input] = cell;
        }
        ShowRow(output);
    }
    // The caption names the matrix, which is longer than the cells are wide.
    shell::ui::FitCaption(*this);
}

shell::ui::CMyButton* CDeviceDlgMatrixProperty::Cell(int output, int input) const {
    if (output < 0 || output >= kSize || input < 0 || input >= kSize)
        return nullptr;
    return m_cells[output][input];
}

void CDeviceDlgMatrixProperty::ShowRow(int output) {
    for (int input = 0; input < kSize; ++input)
        m_cells[output][input]->SetState(m_controller.IsOn(output, input) ? 1 : 0);
}

void CDeviceDlgMatrixProperty::reject() {
    // Whoever ends the dialog ends it as the close box does.
    close();
}

void CDeviceDlgMatrixProperty::keyPressEvent(QKeyEvent* event) {
    if (!TakeEnterAndEscape(*event))
        QDialog::keyPressEvent(event);
}

void CDeviceDlgMatrixProperty::closeEvent(QCloseEvent* event) {
    // done() below ends the dialog without another close event.
    m_controller.OnClose();
    event->accept();
    done(QDialog::Rejected);
}

} // namespace device_editor::ui
