#pragma once
// The dynamics dialog (CDSPDlgAttriDynamic): the columns of the module's
// kind, each a vertical trackbar over an edit, the bypass button and the
// transfer curve painted and dragged, over CAttriDynamicController, which
// holds every rule; the widgets show what it holds after each call.
#include <QLabel>
#include <QSlider>

#include <array>
#include <memory>

#include "attri_dialogs/dynamic_controller.h"
#include "attri_dialogs/ui/attri_base_dialog.h"

namespace shell::ui {
class CMyButton;
}

namespace attri_dialogs::ui {

class CDSPDlgAttriDynamic final : public CDSPDlgAttriBase {
    Q_OBJECT
public:
    CDSPDlgAttriDynamic(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module,
                        QWidget* parent, QWidget* viewWidget);

    CAttriDynamicController& Dynamic() const { return *m_dynamic; }

    void RefreshControls() override;

protected:
    void OnSetDefaultValues() override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    using EColumn = CAttriDynamicController::EColumn;

    CDSPDlgAttriDynamic(std::unique_ptr<CAttriDynamicController> controller, QWidget* parent,
                        QWidget* viewWidget);

    struct Column {
        QLabel* label = nullptr;
        QSlider* track = nullptr;
        CAttriValueEdit* edit = nullptr;
    };

    void MakeColumn(EColumn column, int x);
    void LayOut();
    void Show();

    std::unique_ptr<CAttriDynamicController> m_dynamic;
    std::array<Column, CAttriDynamicController::kColumns> m_columns{};
    QLabel* m_slow = nullptr;
    QLabel* m_fast = nullptr;
    QLabel* m_bypassLabel = nullptr;
    shell::ui::CMyButton* m_bypass = nullptr;
};

} // namespace attri_dialogs::ui
