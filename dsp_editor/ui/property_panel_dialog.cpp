#include "dsp_editor/ui/property_panel_dialog.h"

#include "dsp_editor/ui/controls.h"
#include "platform/gdi/qt_canvas.h"
#include "resources/message_ids.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>

#include <functional>
#include <string_view>

namespace dsp_editor::ui {

namespace {

using Panel = CPropertyPanelController;

// A solid patch of the stored colour that opens the colour dialog when
// clicked.
class CSwatch final : public QWidget {
public:
    CSwatch(QWidget* parent, std::function<QColor()> colour, std::function<void()> clicked)
        : QWidget(parent), m_colour(std::move(colour)), m_clicked(std::move(clicked)) {
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), m_colour());
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    void mouseReleaseEvent(QMouseEvent*) override { m_clicked(); }

private:
    std::function<QColor()> m_colour;
    std::function<void()> m_clicked;
};

// The display tab's rows: the field, its label and range note.
struct FieldRow {
    int field;
    int label;
    const char* labelText;
    int note; // 0: none
};
constexpr FieldRow kRows[] = {
    {Panel::kCtlSheetWidth, 1183, "模板宽度：", 1323},
    {Panel::kCtlSheetHeight, 1186, "模板高度：", 1324},
    {Panel::kCtlSheetColour, 1188, "模板颜色：", 0},
    {Panel::kCtlCaption, 1185, "算法名称：", 0},
    {Panel::kCtlTypeColour, 1187, "算法类型颜色：", 0},
    {Panel::kCtlLinkWidth, 1191, "连线宽度：", 0},
    {Panel::kCtlLinkColour, 1192, "连线颜色：", 0},
};

constexpr int kMinWidth = 200, kMinHeight = 250, kMaxWidth = 600, kMaxHeight = 2000;

} // namespace

CDSPDlgProperty::CDSPDlgProperty(CPropertyPanelController& panel, QWidget* parent)
    : QDialog(parent), m_panel(panel) {
    setWindowTitle(shell::DialogString(Panel::kTemplate, 0, "属性"));
    setMinimumSize(kMinWidth, kMinHeight);
    setMaximumSize(kMaxWidth, kMaxHeight);

    m_objects = Named(new QComboBox(this), Panel::kCtlObjects);
    connect(m_objects, &QComboBox::activated, this,
            [this](int index) { m_panel.OnSelChangeObject(index); });

    m_tabs = Named(new QTabBar(this), Panel::kCtlTabs);
    m_tabs->addTab(shell::StringText(resources::kStrDisplayTab));
    m_tabs->addTab(shell::StringText(resources::kStrAlgorithmTab));
    connect(m_tabs, &QTabBar::currentChanged, this, [this](int index) {
        m_panel.OnSelChangeTab(index == 0 ? Panel::ETab::Display : Panel::ETab::Algorithm);
    });

    m_properties = Named(new QTableWidget(this), Panel::kCtlProperties);
    m_properties->setSelectionMode(QAbstractItemView::SingleSelection);
    m_properties->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_properties->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_properties->setShowGrid(true);
    m_properties->verticalHeader()->hide();

    for (const FieldRow& row : kRows) {
        auto* label =
            new QLabel(shell::DialogString(Panel::kTemplate, row.label, row.labelText), this);
        label->setObjectName(QStringLiteral("ctl%1").arg(row.label));
        m_companions.emplace(row.field, label);
        if (row.note != 0) {
            auto* note =
                new QLabel(shell::DialogString(Panel::kTemplate, row.note, "( 500 - 20000)"), this);
            note->setObjectName(QStringLiteral("ctl%1").arg(row.note));
            m_companions.emplace(row.field, note);
        }
        const int id = row.field;
        if (id == Panel::kCtlSheetColour || id == Panel::kCtlTypeColour ||
            id == Panel::kCtlLinkColour) {
            m_swatches[id] = Named(
                new CSwatch(
                    this, [this, id] { return platform::gdi::ToQColor(m_panel.SwatchColour(id)); },
                    [this, id] { ChooseColour(id); }),
                id);
            continue;
        }
        QLineEdit* edit = Named(new QLineEdit(this), id);
        m_edits[id] = edit;
        connect(edit, &QLineEdit::textEdited, this,
                [this, id](const QString& text) { m_panel.OnFieldChange(id, text.toStdString()); });
        // Enter reaches the controller as the carriage return a multi-line
        // field would hold.
        connect(edit, &QLineEdit::returnPressed, this, [this, id, edit] {
            m_panel.OnFieldChange(id, edit->text().toStdString() + "\r\n");
        });
        edit->installEventFilter(this);
    }

    const auto button = [this](int id, const char* builtin) {
        auto* pushed =
            Named(new QPushButton(shell::DialogString(Panel::kTemplate, id, builtin), this), id);
        pushed->setAutoDefault(false);
        return pushed;
    };
    m_loadInitial = button(Panel::kCtlLoadInitial, "加载初始值...");
    m_saveDefault = button(Panel::kCtlSaveDefault, "保存为默认...");
    connect(m_loadInitial, &QPushButton::clicked, this, [this] { m_panel.OnLoadInitialValues(); });
    connect(m_saveDefault, &QPushButton::clicked, this, [this] { m_panel.OnSaveAsDefault(); });

    resize(260, 420);
    m_panel.SetWindow(this);
    Refresh();
}

CDSPDlgProperty::~CDSPDlgProperty() {
    m_panel.SetWindow(nullptr);
}

void CDSPDlgProperty::Refresh() {
    {
        const QSignalBlocker quiet(m_objects);
        m_objects->clear();
        for (const std::string& entry : m_panel.Entries())
            m_objects->addItem(FromUtf8(entry));
        m_objects->setCurrentIndex(m_panel.CurrentEntry());
    }
    {
        const QSignalBlocker quiet(m_tabs);
        m_tabs->setCurrentIndex(m_panel.Tab() == Panel::ETab::Display ? 0 : 1);
    }
    for (const auto& [id, edit] : m_edits) {
        const QString text = FromUtf8(m_panel.FieldText(id));
        if (edit->text() != text)
            edit->setText(text);
    }
    const auto show = [this](int id, QWidget* widget) {
        const bool visible = m_panel.IsControlVisible(id);
        widget->setVisible(visible);
        const auto [first, last] = m_companions.equal_range(id);
        for (auto it = first; it != last; ++it)
            it->second->setVisible(visible);
    };
    for (const auto& [id, edit] : m_edits)
        show(id, edit);
    for (const auto& [id, swatch] : m_swatches) {
        show(id, swatch);
        swatch->update();
    }
    m_loadInitial->setVisible(m_panel.IsControlVisible(Panel::kCtlLoadInitial));
    m_saveDefault->setVisible(m_panel.IsControlVisible(Panel::kCtlSaveDefault));
    m_properties->setVisible(m_panel.IsControlVisible(Panel::kCtlProperties));
    if (m_properties->isVisibleTo(this))
        FillTable();
}

void CDSPDlgProperty::FillTable() {
    const Panel::Table table = m_panel.PropertyTable();
    m_properties->clear();
    m_properties->setColumnCount(static_cast<int>(table.columns.size()));
    m_properties->setRowCount(static_cast<int>(table.rows.size()));
    QStringList titles;
    for (const std::string& title : table.columns)
        titles << FromUtf8(title);
    m_properties->setHorizontalHeaderLabels(titles);
    for (int r = 0; r < static_cast<int>(table.rows.size()); ++r) {
        const auto& row = table.rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < static_cast<int>(row.size()); ++c)
            m_properties->setItem(r, c,
                                  new QTableWidgetItem(FromUtf8(row[static_cast<std::size_t>(c)])));
    }
}

void CDSPDlgProperty::ChooseColour(int control) {
    const QColor chosen =
        QColorDialog::getColor(platform::gdi::ToQColor(m_panel.SwatchColour(control)), this);
    if (chosen.isValid())
        m_panel.OnSwatchColour(control, platform::gdi::FromQColor(chosen));
}

void CDSPDlgProperty::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    LayOut();
}

void CDSPDlgProperty::LayOut() {
    const int w = width(), h = height();
    m_objects->setGeometry(5, 5, w - 10, m_objects->sizeHint().height());
    m_tabs->setGeometry(0, 35, w, m_tabs->sizeHint().height());
    m_properties->setGeometry(0, 60, w, h - 60);

    // One kind's rows show at a time, so every kind starts at the top.
    const int rowHeight = 30, labelWidth = 100, fieldLeft = 15 + labelWidth;
    int y = 75;
    for (const FieldRow& row : kRows) {
        if (row.field == Panel::kCtlCaption || row.field == Panel::kCtlLinkWidth)
            y = 75;
        const auto edit = m_edits.find(row.field);
        if (edit != m_edits.end())
            edit->second->setGeometry(fieldLeft, y, 70, 22);
        else
            m_swatches.at(row.field)->setGeometry(fieldLeft, y, 40, 22);
        const auto [first, last] = m_companions.equal_range(row.field);
        for (auto it = first; it != last; ++it) {
            const bool label = it == first;
            it->second->setGeometry(label ? 15 : fieldLeft + 75, y, label ? labelWidth : 90, 22);
        }
        y += rowHeight;
    }

    const QSize load = m_loadInitial->sizeHint(), save = m_saveDefault->sizeHint();
    m_loadInitial->setGeometry(20, h - 20 - load.height(), load.width(), load.height());
    m_saveDefault->setGeometry(w - 20 - save.width(), h - 20 - save.height(), save.width(),
                               save.height());
}

bool CDSPDlgProperty::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        for (const auto& [id, edit] : m_edits) {
            if (edit == watched)
                m_panel.OnFieldKillFocus(id);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CDSPDlgProperty::keyPressEvent(QKeyEvent* event) {
    if (!SwallowEnterAndEscape(*event))
        QDialog::keyPressEvent(event);
}

} // namespace dsp_editor::ui
