#pragma once
// The route dialog of a matrix device over its controller: the 4 x 4 table
// as picture buttons, row = output, column = input, pressed where routed.
// Enter and Escape do nothing; only the close box ends it, keeping every
// change.
#include <QDialog>

#include "device_editor/matrix_route_controller.h"

namespace shell::ui {
class CMyButton;
}

namespace device_editor::ui {

// The dialog's texts (it has no resource number of its own).
inline constexpr int kMatrixRouteDialog = 4134;

class CDeviceDlgMatrixProperty final : public QDialog {
    Q_OBJECT
public:
    // Modal; run with exec(). `matrix` belongs to `doc`; `lock` is the
    // running sheet's (empty outside the run state).
    CDeviceDlgMatrixProperty(CZoDeviceDoc& doc, model::CDeviceMatrix& matrix, IUnitPort& port,
                             SheetLock lock, QWidget* parent);

    CMatrixRouteController& Controller() { return m_controller; }
    // The button of output `output`, input `input` (both from 0).
    shell::ui::CMyButton* Cell(int output, int input) const;

    // Ends the dialog as the close box does.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowRow(int output);

    static constexpr int kSize = CMatrixRouteController::kSize;

    CMatrixRouteController m_controller;
    shell::ui::CMyButton* m_cells[kSize][kSize] = {};
};

} // namespace device_editor::ui
