#pragma once
// The network type dialog (CDeviceDlgNetType): normal or wireless mode.
#include <QDialog>

class QComboBox;

namespace device_editor::ui {

inline constexpr int kNetTypeDialog = 339;

class CDeviceDlgNetType final : public QDialog {
    Q_OBJECT
public:
    // `index`: 0 normal mode, 1 wireless mode.
    explicit CDeviceDlgNetType(int index, QWidget* parent = nullptr);

    // The choice OK took.
    int Index() const { return m_index; }
    QComboBox* TypeBox() const { return m_typeBox; }

    void accept() override;

private:
    int m_index;
    QComboBox* m_typeBox = nullptr;
};

} // namespace device_editor::ui
