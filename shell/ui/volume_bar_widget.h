#pragma once
// The two level displays as widgets: each owns its model (shell/volume_bar.h),
// paints it through the canvas and repaints when it announces a change.
#include <QWidget>

#include "shell/ui/qt_timer.h"
#include "shell/volume_bar.h"

namespace shell::ui {

class CVolumeBarCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CVolumeBarCtrl(QWidget* parent = nullptr);

    int SetLevel(int dB) { return m_bar.SetLevel(dB); }
    void SetHoldTime(int ms) { m_bar.SetHoldTime(ms); }
    void SetHoldEnabled(int flag) { m_bar.SetHoldEnabled(flag); }
    void SetInfiniteHold(int flag) { m_bar.SetInfiniteHold(flag); }

    const CVolumeBar& Bar() const { return m_bar; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CQtTimer m_holdTimer;
    CQtTimer m_decayTimer;
    CVolumeBar m_bar{m_holdTimer, m_decayTimer};
};

class CVolumeBarCtrl3 : public QWidget {
    Q_OBJECT
public:
    explicit CVolumeBarCtrl3(QWidget* parent = nullptr);

    void SetRange(int minimum, int maximum) { m_bar.SetRange(minimum, maximum); }
    int SetPos(int value) { return m_bar.SetPos(value); }
    void SetMarker1(int value) { m_bar.SetMarker1(value); }
    void SetMarker2(int value) { m_bar.SetMarker2(value); }
    int SetSegmentCount(int n) { return m_bar.SetSegmentCount(n); }

    const CVolumeBar3& Bar() const { return m_bar; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    CVolumeBar3 m_bar;
};

} // namespace shell::ui
