#include "shell/ui/status_bar.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>

#include "platform/gdi/qt_canvas.h"

#include <algorithm>

namespace shell::ui {

namespace {

// Room around a pane's text, as a sunken pane's border and padding take it.
constexpr int kPanePadding = 8;

// An owner-drawn swatch: it asks the bar's source for the sheet colours
// each time it paints.
class CSwatchPane final : public QWidget {
public:
    CSwatchPane(int id, const CMyStatusBar::SheetColoursSource& colours, QWidget* parent)
        : QWidget(parent), m_id(id), m_colours(colours) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        platform::gdi::QtCanvas canvas(painter);
        canvas.SelectFont(FontOf(*this));
        PaintSwatch(canvas, {0, 0, width(), height()}, m_id,
                    m_colours ? m_colours() : std::nullopt);
    }

private:
    static platform::gdi::LOGFONT FontOf(const QWidget& widget) {
        // A negative height is the em in pixels, as the widget's font has it.
        platform::gdi::LOGFONT font;
        font.lfHeight = -QFontInfo(widget.font()).pixelSize();
        font.lfFaceName = widget.font().family().toStdString();
        return font;
    }

    int m_id;
    const CMyStatusBar::SheetColoursSource& m_colours;
};

} // namespace

CMyStatusBar::CMyStatusBar(CStatusPanes& panes, QWidget* parent)
    : QStatusBar(parent), m_panes(panes) {
    setObjectName(QStringLiteral("CMyStatusBar"));
    m_panes.SetChangedHandler([this] { OnModelChanged(); });
    Rebuild();
}

CMyStatusBar::~CMyStatusBar() {
    m_panes.SetChangedHandler({});
}

void CMyStatusBar::SetSheetColoursSource(SheetColoursSource source) {
    m_colours = std::move(source);
    Refresh();
}

QWidget* CMyStatusBar::PaneWidget(int id) const {
    for (const PaneSlot& slot : m_slots)
        if (slot.id == id)
            return slot.widget;
    return nullptr;
}

void CMyStatusBar::OnModelChanged() {
    if (LayoutMatches())
        Refresh();
    else
        Rebuild();
}

bool CMyStatusBar::LayoutMatches() const {
    const std::vector<StatusPane>& panes = m_panes.Panes();
    if (panes.size() != m_slots.size())
        return false;
    for (std::size_t i = 0; i < panes.size(); ++i)
        if (panes[i].id != m_slots[i].id)
            return false;
    return true;
}

int CMyStatusBar::LaidOutWidth(const StatusPane& pane, const QLabel* label) const {
    if (!label) {
        // A swatch is as wide as its caption.
        return fontMetrics().horizontalAdvance(QString::fromStdString(SwatchCaption(pane.id))) +
               kPanePadding;
    }
    // Wide enough for the widest text the pane shows in this language and
    // font, and never narrower than its own width: the pane keeps its place
    // as its figures grow.
    const QFontMetrics metrics = label->fontMetrics();
    int widest = 0;
    for (const std::string& text : CStatusPanes::WidestTexts(pane.id))
        widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(text)));
    // The sunken border each side, and the label's indent before the text
    // (half an 'x') and as much after it.
    return std::max(pane.width, widest + 2 * label->frameWidth() + metrics.horizontalAdvance('x'));
}

void CMyStatusBar::Rebuild() {
    for (const PaneSlot& slot : m_slots) {
        removeWidget(slot.widget);
        delete slot.widget;
    }
    m_slots.clear();

    for (const StatusPane& pane : m_panes.Panes()) {
        PaneSlot slot;
        slot.id = pane.id;
        if (pane.ownerDrawn && IsSwatchPane(pane.id)) {
            slot.widget = new CSwatchPane(pane.id, m_colours, this);
        } else {
            slot.label = new QLabel(this);
            slot.label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            slot.widget = slot.label;
        }
        slot.widget->setObjectName(QStringLiteral("pane%1").arg(pane.id));
        if (pane.id == 0) {
            // The separator pane takes what the others leave.
            addWidget(slot.widget, 1);
        } else {
            slot.widget->setFixedWidth(LaidOutWidth(pane, slot.label));
            addPermanentWidget(slot.widget);
        }
        m_slots.push_back(slot);
    }
    Refresh();
}

void CMyStatusBar::Refresh() {
    for (const PaneSlot& slot : m_slots) {
        const StatusPane* pane = m_panes.Find(slot.id);
        if (!pane)
            continue;
        if (slot.label)
            slot.label->setText(QString::fromStdString(pane->text));
        slot.widget->setToolTip(QString::fromStdString(pane->toolTip));
        slot.widget->update();
    }
}

} // namespace shell::ui
