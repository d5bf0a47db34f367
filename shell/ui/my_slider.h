#pragma once
// CMySliderCtrl: the shared slider of the attribute dialogs, a thin widget
// over CSliderModel. It forwards the mouse, the keys, its size, focus and
// enabled state to the model, paints the model through the canvas seam and
// passes the model's notices on as signals that carry the codes the
// dialogs were written against.
//
// Signals are emitted from inside the slider's event handling, in the order
// the notices arise; a receiver that must not run there connects queued.
#include <QString>
#include <QWidget>

#include "shell/slider_model.h"

namespace shell::ui {

class CMySliderCtrl : public QWidget {
    Q_OBJECT

public:
    // The orientation is fixed for the slider's life; `controlId` goes with
    // the thumb-pressed notice.
    explicit CMySliderCtrl(Qt::Orientation orientation, int controlId = 0,
                           QWidget* parent = nullptr);

    void SetRange(int minimum, int maximum) { m_model.SetRange(minimum, maximum); }
    int GetRangeMin() const { return m_model.GetRangeMin(); }
    int GetRangeMax() const { return m_model.GetRangeMax(); }
    void SetPos(int position) { m_model.SetPos(position); }
    int GetPos() const { return m_model.GetPos(); }
    int SetPageSize(int size) { return m_model.SetPageSize(size); }
    int GetPageSize() const { return m_model.GetPageSize(); }
    int SetLineSize(int size) { return m_model.SetLineSize(size); }
    int GetLineSize() const { return m_model.GetLineSize(); }
    void SetTicFreq(int frequency) { m_model.SetTicFreq(frequency); }
    // kSliderAutoTicks, kSliderNoTicks.
    void SetTickStyle(unsigned style) { m_model.SetStyle(style); }
    void SetLabels(const QString& first, const QString& second);
    int ControlId() const { return m_model.ControlId(); }

    const CSliderModel& Model() const { return m_model; }

    QSize sizeHint() const override;

signals:
    // The scroll message (0x114 horizontal, 0x115 vertical), the scroll
    // code and, for SB_THUMBPOSITION and SB_THUMBTRACK, the position.
    void Scrolled(unsigned message, int code, int position);
    // The program's notification message (0x464): the control id and
    // 0x40A when the thumb is pressed, 0 and 0x409 when a drag ends.
    void AppNotify(int wParam, int lParam);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    CSliderModel m_model;
};

} // namespace shell::ui
