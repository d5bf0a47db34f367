#include "device_editor/ui/channel_gain_dialog.h"

#include <algorithm>

#include <QAbstractSlider>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPalette>
#include <QScrollBar>

#include "device_editor/ui/dialog_support.h"
#include "platform/gdi/qt_canvas.h"
#include "shell/ui/my_button_widget.h"
#include "shell/ui/volume_bar_widget.h"

namespace device_editor::ui {

namespace {

// Control ids.
constexpr int kAddressLabel = 1012;
constexpr int kFirstGainButton = 1014;
constexpr int kFirstColumnLabel = 1222;
constexpr int kFirstPhantomBar = 1276;

constexpr platform::gdi::COLORREF kBackground = 0xC8D0D4;
constexpr int kDecibelsPerStep = 6;

// Placement: the address line, then per column its label, the twelve
// buttons from +66 dB down and the phantom bar; the scroll bar below them.
constexpr int kMargin = 8;
constexpr int kColumnPitch = 64;
constexpr int kButtonWidth = 56;
constexpr int kButtonHeight = 22;
constexpr int kRowPitch = 24;
constexpr int kAddressTop = 8;
constexpr int kLabelTop = 32;
constexpr int kButtonsTop = 54;
constexpr int kBarTop = kButtonsTop + CDeviceDlgChnlGain::kRows * kRowPitch + 4;
constexpr int kBarHeight = 16;
// The bottom of the columns' area, where a dialog without scrolling ends.
constexpr int kColumnsBottom = kBarTop + kBarHeight + kMargin;

// Columns the narrow, medium and wide dialog shows.
constexpr int kVisibleColumns[] = {2, 4, 8};

int ColumnLeft(int column) {
    return kMargin + column * kColumnPitch;
}

QString GainCaption(int row) {
    const int step = CDeviceDlgChnlGain::kRows - 1 - row;
    return step == 0 ? QStringLiteral("0 dB")
                     : QStringLiteral("+%1 dB").arg(kDecibelsPerStep * step);
}

} // namespace

CDeviceDlgChnlGain::CDeviceDlgChnlGain(CZoDeviceDoc& doc, model::CBaseDevice& unit,
                                       IUnitPort& port, std::filesystem::path programFolder,
                                       SheetLock lock, QWidget* parent)
    : QDialog(parent), m_controller(doc, unit, port, std::move(programFolder), std::move(lock)) {
    // Asking the main frame for the unit's address may take a while.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    m_controller.Open();
    QGuiApplication::restoreOverrideCursor();

    setWindowTitle(DialogText(kChannelGainDialog, 0, "通道增益调节") +
                   shell::FromUtf8(m_controller.CaptionSuffix()));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, platform::gdi::ToQColor(kBackground));
    setPalette(palette);

    const int visible = kVisibleColumns[std::clamp(m_controller.LayoutState(), 0, 2)];
    const int width = ColumnLeft(visible) - (kColumnPitch - kButtonWidth) + kMargin;

    m_address = new QLabel(this);
    shell::ui::SetControlId(m_address, kAddressLabel);
    m_address->setGeometry(kMargin, kAddressTop, width - 2 * kMargin, 20);

    for (int c = 0; c < kColumns; ++c) {
        const int left = ColumnLeft(c);
        m_labels[c] = new QLabel(this);
        shell::ui::SetControlId(m_labels[c], kFirstColumnLabel + c);
        m_labels[c]->setAlignment(Qt::AlignCenter);
        m_labels[c]->setGeometry(left, kLabelTop, kButtonWidth, 18);
        for (int row = 0; row < kRows; ++row) {
            auto* button = new shell::ui::CMyButton(this);
            // Push mode: a click only reports; which button is down is
            // always the controller's stored step.
            button->SetMode(shell::CMyButtonCore::kModePush);
            shell::ui::SetControlId(button, kFirstGainButton + kRows * c + row);
            button->setText(GainCaption(row));
            button->setGeometry(left, kButtonsTop + row * kRowPitch, kButtonWidth, kButtonHeight);
            connect(button, &shell::ui::CMyButton::Command, this, [this, c, row] {
                if (m_closed)
                    return;
                m_controller.OnGainButton(c, row);
                ShowColumns();
            });
            m_buttons[c][row] = button;
        }
        auto* bar = new shell::ui::CVolumeBarCtrl3(this);
        shell::ui::SetControlId(bar, kFirstPhantomBar + c);
        // Off fills nothing, on fills the bar between its two markers.
        bar->SetRange(0, 1);
        bar->SetMarker2(0);
        bar->SetMarker1(1);
        bar->setToolTip(DialogText(kChannelGainDialog, kFirstPhantomBar + c, "Phan Pwr"));
        bar->setGeometry(left, kBarTop, kButtonWidth, kBarHeight);
        bar->installEventFilter(this);
        m_bars[c] = bar;
    }

    m_scrollBar = new QScrollBar(Qt::Horizontal, this);
    m_scrollBar->setRange(0, m_controller.ScrollMax());
    m_scrollBar->setSingleStep(1);
    m_scrollBar->setPageStep(1);
    const int scrollHeight = m_scrollBar->sizeHint().height();
    m_scrollBar->setGeometry(kMargin, kColumnsBottom, width - 2 * kMargin, scrollHeight);
    connect(m_scrollBar, &QAbstractSlider::actionTriggered, this,
            &CDeviceDlgChnlGain::OnScrollAction);
    const bool scrolls = m_controller.ScrollMax() > 0;
    m_scrollBar->setVisible(scrolls);
    setFixedSize(width, scrolls ? kColumnsBottom + scrollHeight + kMargin : kColumnsBottom);

    ShowColumns();
}

CDeviceDlgChnlGain::~CDeviceDlgChnlGain() {
    // A dialog deleted without ending still leaves its changes undoable.
    Close();
}

void CDeviceDlgChnlGain::done(int result) {
    Close();
    QDialog::done(result);
}

void CDeviceDlgChnlGain::Close() {
    if (m_closed)
        return;
    m_closed = true;
    m_controller.OnClose();
}

void CDeviceDlgChnlGain::OnScrollAction(int action) {
    // The bar's page is one channel for its thumb; a page scrolls by a
    // whole set of columns.
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        m_controller.ScrollBy(1);
        break;
    case QAbstractSlider::SliderSingleStepSub:
        m_controller.ScrollBy(-1);
        break;
    case QAbstractSlider::SliderPageStepAdd:
        m_controller.ScrollBy(kColumns);
        break;
    case QAbstractSlider::SliderPageStepSub:
        m_controller.ScrollBy(-kColumns);
        break;
    case QAbstractSlider::SliderMove:
        m_controller.ScrollTo(m_scrollBar->sliderPosition());
        break;
    default:
        break;
    }
    // Taken by the bar as the action's result.
    m_scrollBar->setSliderPosition(m_controller.ScrollPos());
    ShowColumns();
}

void CDeviceDlgChnlGain::ShowColumns() {
    m_address->setText(shell::FromUtf8(m_controller.AddressLabel()));
    for (int c = 0; c < kColumns; ++c) {
        const CChannelGainController::Column column = m_controller.GetColumn(c);
        m_labels[c]->setText(shell::FromUtf8(column.label));
        m_labels[c]->setVisible(column.shown);
        for (int row = 0; row < kRows; ++row) {
            shell::ui::CMyButton* button = m_buttons[c][row];
            button->setVisible(column.shown);
            button->setEnabled(column.enabled);
            button->SetState(row == column.selectedRow ? 1 : 0);
        }
        m_bars[c]->setVisible(column.shown);
        m_bars[c]->setEnabled(column.enabled);
        m_bars[c]->SetPos(column.phantom ? 1 : 0);
    }
}

bool CDeviceDlgChnlGain::event(QEvent* e) {
    // F5 stays in this dialog: no shortcut of the windows behind it runs.
    if (e->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(e)->key() == Qt::Key_F5) {
        e->accept();
        return true;
    }
    return QDialog::event(e);
}

bool CDeviceDlgChnlGain::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonRelease) {
        for (int c = 0; c < kColumns; ++c) {
            if (watched != m_bars[c])
                continue;
            const auto* mouse = static_cast<QMouseEvent*>(e);
            if (mouse->button() == Qt::LeftButton && m_bars[c]->isEnabled() &&
                m_bars[c]->rect().contains(mouse->position().toPoint())) {
                // Posted as the buttons' clicks are: the question runs after
                // the mouse handler has returned.
                QMetaObject::invokeMethod(
                    this,
                    [this, c] {
                        if (m_closed)
                            return;
                        m_controller.OnPhantomBar(c);
                        ShowColumns();
                    },
                    Qt::QueuedConnection);
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

void CDeviceDlgChnlGain::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F5) {
        // A press held on a control is let go as well.
        if (QWidget* grabber = QWidget::mouseGrabber())
            grabber->releaseMouse();
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

} // namespace device_editor::ui
