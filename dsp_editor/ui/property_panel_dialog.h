#pragma once
// The property panel's window: shows a CPropertyPanelController and forwards what the
// user does to it. Modeless; its owner decides when it goes (the window's
// destroyed signal tells it). Each control is named "ctl<id>".
#include <QDialog>

#include <map>

#include "dsp_editor/property_panel_controller.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QTabBar;
class QTableWidget;

namespace dsp_editor::ui {

class CDSPDlgProperty final : public QDialog, public IPropertyPanelWindow {
    Q_OBJECT
public:
    // Takes the controller's window seam for its life.
    explicit CDSPDlgProperty(CPropertyPanelController& panel, QWidget* parent = nullptr);
    ~CDSPDlgProperty() override;

    void Refresh() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Enter belongs to the edit fields, Escape closes nothing.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void LayOut();
    void FillTable();
    void ChooseColour(int control);

    CPropertyPanelController& m_panel;
    QComboBox* m_objects = nullptr;
    QTabBar* m_tabs = nullptr;
    QTableWidget* m_properties = nullptr;
    QPushButton* m_loadInitial = nullptr;
    QPushButton* m_saveDefault = nullptr;
    std::map<int, QLineEdit*> m_edits;
    std::map<int, QWidget*> m_swatches;
    // The labels and range notes beside a field, by the field's control.
    std::multimap<int, QWidget*> m_companions;
};

} // namespace dsp_editor::ui
