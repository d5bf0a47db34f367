#include "shell/ui/palette_bar.h"

#include "resources/bitmaps.h"
#include "shell/dialog_texts.h"
#include "shell/ui/my_button_widget.h"

#include <QFontMetrics>
#include <QDrag>
#include <QListWidget>
#include <QMimeData>
#include <QPalette>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>
#include <array>

namespace shell::ui {

namespace {

using platform::gdi::Rect;

// The built-in page button captions in page order.
constexpr std::array<const char*, kDevicePageCount> kDevicePageCaptions = {
    "数字音频设备", "外部设备", "通用设备", "文本"};
constexpr std::array<const char*, kDspPageCount> kDspPageCaptions = {
    "延时器", "路由器", "混音器",     "动态处理", "均衡器",
    "滤波器", "分频器", "信号发生器", "电平表",   "文本"};

constexpr int kMinimumWidth = 110;
// The buttons' distance from the bar's left and right edges.
constexpr int kButtonMargin = 2;
// A button is this much higher than a line of its text.
constexpr int kButtonPadding = 10;
constexpr int kIconSize = 32;
constexpr int kGridWidth = 90;
constexpr QRgb kListBackground = 0x808080;

template <std::size_t N>
std::vector<QIcon> ImageList(const std::array<int, N>& ids, const std::function<QIcon(int)>& icon) {
    std::vector<QIcon> images;
    images.reserve(N);
    for (const int id : ids)
        images.push_back(icon ? icon(id) : QIcon());
    return images;
}

// The width at which `button` shows its whole caption: the text in its font
// and what the style keeps around the text.
int ButtonWidthFor(const QPushButton& button) {
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    option.rect = QRect(0, 0, 200, 40);
    const QRect contents =
        button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
    return button.fontMetrics().horizontalAdvance(button.text()) + option.rect.width() -
           contents.width();
}

QRect ToQRect(const Rect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

} // namespace

namespace {

// The palette's list: a drag of one of its items goes through the bar.
class CPaletteList final : public QListWidget {
public:
    explicit CPaletteList(CPaletteBar& bar) : QListWidget(&bar), m_bar(bar) {}

protected:
    void startDrag(Qt::DropActions) override
    {
        if (std::unique_ptr<QDrag> drag = m_bar.MakeDrag(currentRow()))
            drag.release()->exec(Qt::CopyAction);
    }

private:
    CPaletteBar& m_bar;
};

} // namespace

const char* PaletteKindName(EPaletteKind kind) {
    return kind == EPaletteKind::Dsp ? "dsp" : "device";
}

CPaletteBar::CPaletteBar(EPaletteKind kind, std::function<QIcon(int iconId)> icon, QWidget* parent)
    : QWidget(parent), m_model(kind) {
    const bool device = kind == EPaletteKind::Device;
    const int dialog = device ? kDevicePaletteDialog : kDspPaletteDialog;
    setWindowTitle(DialogString(dialog, 0, device ? "设备" : "算法模块"));
    m_images = device ? ImageList(resources::kDevicePaletteIcons, icon)
                    : ImageList(resources::kDspPaletteIcons, icon);

    const int pages = device ? kDevicePageCount : kDspPageCount;
    for (int page = 0; page < pages; ++page) {
        const auto at = static_cast<std::size_t>(page);
        const int id = device ? kDevicePageButtons[at] : kDspPageButtons[at];
        const char* builtin = device ? kDevicePageCaptions[at] : kDspPageCaptions[at];
        auto* button = new QPushButton(DialogString(dialog, id, builtin), this);
        SetControlId(button, id);
        connect(button, &QPushButton::clicked, this, [this, page] { SelectPage(page); });
        m_buttons.push_back(button);
    }
    // Wide enough for the longest caption of the language.
    int widest = kMinimumWidth - 2 * kButtonMargin;
    for (const QPushButton* button : m_buttons)
        widest = std::max(widest, ButtonWidthFor(*button));
    setMinimumWidth(widest + 2 * kButtonMargin);

    m_list = new CPaletteList(*this);
    SetControlId(m_list, device ? kDevicePaletteList : kDspPaletteList);
    m_list->setViewMode(QListView::IconMode);
    m_list->setIconSize(QSize(kIconSize, kIconSize));
    m_list->setFlow(QListView::TopToBottom);
    m_list->setWrapping(false);
    m_list->setWordWrap(true);
    // Icon mode lets items be moved around the view by default; a palette's
    // items stay where its page puts them.
    m_list->setMovement(QListView::Static);
    m_list->setResizeMode(QListView::Adjust);
    // Room for the picture and two lines of caption.
    m_list->setGridSize(QSize(kGridWidth, kIconSize + 2 * fontMetrics().height() + 8));
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A static icon view turns dragging off; the items are dragged onto
    // the sheets.
    m_list->setDragEnabled(true);
    m_list->setDragDropMode(QAbstractItemView::DragOnly);
    QPalette colours = m_list->palette();
    for (const auto role : {QPalette::Base, QPalette::Window})
        colours.setColor(role, QColor(kListBackground));
    colours.setColor(QPalette::Text, Qt::white);
    m_list->setPalette(colours);

    SelectPage(0);
}

QPushButton* CPaletteBar::PageButton(int page) const {
    if (page < 0 || page >= static_cast<int>(m_buttons.size()))
        return nullptr;
    return m_buttons[static_cast<std::size_t>(page)];
}

bool CPaletteBar::SelectPage(int page) {
    if (!m_model.SelectPage(page))
        return false;
    FillList();
    PlaceControls();
    if (m_model.Kind() == EPaletteKind::Dsp)
        m_list->setFocus(Qt::OtherFocusReason);
    emit pageSelected(page);
    return true;
}

void CPaletteBar::FillList() {
    m_list->clear();
    for (const CPaletteItem& entry : m_model.Items()) {
        const bool known = entry.image >= 0 && entry.image < static_cast<int>(m_images.size());
        auto* item =
            new QListWidgetItem(known ? m_images[static_cast<std::size_t>(entry.image)] : QIcon(),
                                QString::fromStdString(entry.caption));
        item->setData(Qt::UserRole, entry.data);
        item->setBackground(QColor(kListBackground));
        m_list->addItem(item);
    }
}

void CPaletteBar::PlaceControls() {
    const int buttonHeight = fontMetrics().height() + kButtonPadding;
    const std::vector<Rect> buttons(m_buttons.size(),
                                    Rect(kButtonMargin, 0, width() - kButtonMargin, buttonHeight));
    const Rect list(0, 0, width(), 0);
    const CPaletteLayout layout =
        m_model.Kind() == EPaletteKind::Device
            ? CPaletteAccordion::LayoutDevice(buttons, list, height(), m_model.Page())
            : CPaletteAccordion::LayoutDsp(buttons, list, height(), m_model.Page());
    for (std::size_t i = 0; i < m_buttons.size(); ++i)
        m_buttons[i]->setGeometry(ToQRect(layout.buttons[i]));
    m_list->setGeometry(ToQRect(layout.list));
    m_list->setVisible(layout.listVisible);
}

void CPaletteBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceControls();
}

std::unique_ptr<QDrag> CPaletteBar::MakeDrag(int row)
{
    const QListWidgetItem* item = m_list->item(row);
    if (!item || !beginDrag)
        return nullptr;
    const int data = item->data(Qt::UserRole).toInt();
    if (!beginDrag(data))
        return nullptr;
    auto mime = std::make_unique<QMimeData>();
    mime->setData(kPaletteItemMimeType, QByteArray::number(data));
    mime->setData(kPaletteKindMimeType, PaletteKindName(m_model.Kind()));
    auto drag = std::make_unique<QDrag>(m_list);
    drag->setMimeData(mime.release());
    // The item as the list shows it: its picture over its caption.
    const QRect cell = m_list->visualItemRect(item);
    QPixmap picture = m_list->viewport()->grab(cell.isValid() ? cell : QRect());
    drag->setPixmap(picture);
    drag->setHotSpot(QPoint(kPaletteDragHotSpotX, kPaletteDragHotSpotY));
    return drag;
}

} // namespace shell::ui
