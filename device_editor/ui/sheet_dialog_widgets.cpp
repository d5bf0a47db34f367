#include "device_editor/ui/sheet_dialog_widgets.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

#include "platform/gdi/qt_canvas.h"
#include "shell/dialog_texts.h"

namespace device_editor::ui {

namespace {

using platform::gdi::FromQColor;
using platform::gdi::ToQColor;
using shell::DialogString;

// Labels without ids of their own.
constexpr int kPhysicalLabel = 4161;
constexpr int kNetworkLabel = 4162;
constexpr int kBackgroundLabel = 4163;
constexpr int kWidthLabel = 4164;
constexpr int kHeightLabel = 4165;
constexpr int kRangeLabel = 4166;
constexpr int kTextGroup = 4167;
constexpr int kTextColourLabel = 4168;
constexpr int kBackColourLabel = 4169;
constexpr int kDefaultNote = 4170;
constexpr int kInputsLabel = 4158;
constexpr int kOutputsLabel = 4159;
constexpr int kNameLabel = 4160;

QString Named(int id) {
    return QStringLiteral("ctl%1").arg(id);
}

template <typename W> W* Control(W* widget, int id) {
    widget->setObjectName(Named(id));
    return widget;
}

QPushButton* Button(QWidget* parent, int dialog, int id, const char* builtin) {
    return Control(new QPushButton(DialogString(dialog, id, builtin), parent), id);
}

QLabel* Label(QWidget* parent, int dialog, int id, const char* builtin) {
    return Control(new QLabel(DialogString(dialog, id, builtin), parent), id);
}

// The shared colour dialog on `initial`; the colour chosen, none on Cancel.
std::optional<model::COLORREF> ChooseIn(QColorDialog& dialog, model::COLORREF initial) {
    dialog.setCurrentColor(ToQColor(initial));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return FromQColor(dialog.selectedColor());
}

// OK and Cancel side by side on the right of a row.
QHBoxLayout* OkCancelRow(QDialog* dialog, int id, int cancelId = kCancelButton) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    QPushButton* ok = Button(dialog, id, kOkButton, "确定");
    ok->setDefault(true);
    QPushButton* cancel = Button(dialog, id, cancelId, "取消");
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

QLineEdit* Edit(QWidget* parent, int id, const std::string& text) {
    return Control(new QLineEdit(QString::fromStdString(text), parent), id);
}

// The colour dialog's items, swatch by swatch.
constexpr ESheetColour kSheetColours[3] = {ESheetColour::PhysicalLink, ESheetColour::NetworkLink,
                                           ESheetColour::Background};

} // namespace

// --- CColourSwatch --------------------------------------------------------------

CColourSwatch::CColourSwatch(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setMinimumSize(60, 20);
    setCursor(Qt::PointingHandCursor);
}

void CColourSwatch::SetColour(model::COLORREF colour) {
    m_colour = colour;
    update();
}

void CColourSwatch::paintEvent(QPaintEvent* event) {
    QPainter(this).fillRect(contentsRect(), ToQColor(m_colour));
    QFrame::paintEvent(event);
}

void CColourSwatch::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

// --- CDeviceDlgColorSet ---------------------------------------------------------

CDeviceDlgColorSet::CDeviceDlgColorSet(CSheetColourController& controller, QColorDialog& colours,
                                       QWidget* parent)
    : QDialog(parent), m_controller(controller), m_colours(colours) {
    constexpr int id = kSheetColourDialog;
    setWindowTitle(DialogString(id, 0, "设置颜色"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    struct row_t {
        int label, swatch;
        const char* text;
    };
    const row_t rows[3] = {
        {kPhysicalLabel, kPhysicalSwatch, "物理连接线颜色："},
        {kNetworkLabel, kNetworkSwatch, "虚拟连接线颜色："},
        {kBackgroundLabel, kBackgroundSwatch, "文档模版背景色："},
    };
    for (int i = 0; i < 3; ++i) {
        const row_t& row = rows[i];
        grid->addWidget(Label(this, id, row.label, row.text), i, 0);
        m_swatches[i] = Control(new CColourSwatch(this), row.swatch);
        connect(m_swatches[i], &CColourSwatch::clicked, this,
                [this, item = kSheetColours[i]] { Choose(item); });
        grid->addWidget(m_swatches[i], i, 1);
    }
    layout->addLayout(grid);
    QHBoxLayout* buttons = OkCancelRow(this, id);
    QPushButton* save = Button(this, id, kSaveDefault, "保存为默认");
    connect(save, &QPushButton::clicked, this, [this] { m_controller.SaveAsDefault(); });
    buttons->insertWidget(0, save);
    layout->addLayout(buttons);
    ShowColours();
}

void CDeviceDlgColorSet::ShowColours() {
    for (int i = 0; i < 3; ++i)
        m_swatches[i]->SetColour(m_controller.Colour(kSheetColours[i]));
}

void CDeviceDlgColorSet::Choose(ESheetColour item) {
    if (const auto chosen = ChooseIn(m_colours, m_controller.Colour(item))) {
        m_controller.SetColour(item, *chosen);
        ShowColours();
    }
}

void CDeviceDlgColorSet::accept() {
    m_controller.OnOk();
    QDialog::accept();
}

void CDeviceDlgColorSet::reject() {
    m_controller.OnCancel();
    QDialog::reject();
}

// --- CDeviceDlgSheetSize --------------------------------------------------------

CDeviceDlgSheetSize::CDeviceDlgSheetSize(CSheetSizeController& controller, QWidget* parent)
    : QDialog(parent), m_controller(controller) {
    constexpr int id = kSheetSizeDialog;
    setWindowTitle(DialogString(id, 0, "文档模板大小设置"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    m_width = Edit(this, kWidthEdit, controller.WidthText());
    m_height = Edit(this, kHeightEdit, controller.HeightText());
    grid->addWidget(Label(this, id, kWidthLabel, "宽度："), 0, 0);
    grid->addWidget(m_width, 0, 1);
    grid->addWidget(Label(this, id, kRangeLabel, "( 500 - 20000)"), 0, 2);
    grid->addWidget(Label(this, id, kHeightLabel, "高度："), 1, 0);
    grid->addWidget(m_height, 1, 1);
    grid->addWidget(Label(this, id, kRangeLabel, "( 500 - 20000)"), 1, 2);
    layout->addLayout(grid);
    QHBoxLayout* buttons = OkCancelRow(this, id);
    QPushButton* save = Button(this, id, kSaveDefault, "保存为默认");
    connect(save, &QPushButton::clicked, this, [this] {
        TakeTexts();
        if (!m_controller.SaveAsDefault())
            FocusFieldAtFault();
    });
    buttons->insertWidget(0, save);
    layout->addLayout(buttons);
}

void CDeviceDlgSheetSize::TakeTexts() {
    m_controller.SetWidthText(m_width->text().toStdString());
    m_controller.SetHeightText(m_height->text().toStdString());
}

void CDeviceDlgSheetSize::FocusFieldAtFault() {
    switch (m_controller.Focus()) {
    case EDialogField::Width:
        m_width->setFocus();
        m_width->selectAll();
        break;
    case EDialogField::Height:
        m_height->setFocus();
        m_height->selectAll();
        break;
    default:
        break;
    }
}

void CDeviceDlgSheetSize::accept() {
    TakeTexts();
    if (m_controller.OnOk())
        QDialog::accept();
    else
        FocusFieldAtFault();
}

// --- CDeviceDlgTextProperty -----------------------------------------------------

CDeviceDlgTextProperty::CDeviceDlgTextProperty(CTextPropertyController& controller,
                                               QColorDialog& colours, QFontDialog& fonts,
                                               QWidget* parent)
    : QDialog(parent), m_controller(controller), m_colours(colours), m_fonts(fonts) {
    constexpr int id = kTextPropertyDialog;
    setWindowTitle(DialogString(id, 0, "文本属性对话框"));
    auto* layout = new QVBoxLayout(this);

    auto* group =
        Control(new QGroupBox(DialogString(id, kTextGroup, "文本输入"), this), kTextGroup);
    auto* groupLayout = new QVBoxLayout(group);
    m_edit = Control(new QPlainTextEdit(group), kTextEdit);
    groupLayout->addWidget(m_edit);
    layout->addWidget(group);
    ShowText();
    connect(m_edit, &QPlainTextEdit::textChanged, this, &CDeviceDlgTextProperty::OnTextEdited);

    auto* grid = new QGridLayout;
    m_textSwatch = Control(new CColourSwatch(this), kTextSwatch);
    m_backSwatch = Control(new CColourSwatch(this), kBackSwatch);
    grid->addWidget(Label(this, id, kTextColourLabel, "文本颜色"), 0, 0);
    grid->addWidget(m_textSwatch, 0, 1);
    grid->addWidget(Label(this, id, kBackColourLabel, "背景颜色"), 1, 0);
    grid->addWidget(m_backSwatch, 1, 1);
    connect(m_textSwatch, &CColourSwatch::clicked, this, [this] { ChooseColour(true); });
    connect(m_backSwatch, &CColourSwatch::clicked, this, [this] { ChooseColour(false); });
    m_transparent =
        Control(new QCheckBox(DialogString(id, kTransparent, "是否透明"), this), kTransparent);
    m_transparent->setChecked(controller.Transparent());
    connect(m_transparent, &QCheckBox::toggled, this,
            [this](bool checked) { m_controller.SetTransparent(checked); });
    grid->addWidget(m_transparent, 0, 2);
    QPushButton* font = Button(this, id, kFontButton, "选择字体...");
    connect(font, &QPushButton::clicked, this, &CDeviceDlgTextProperty::ChooseFont);
    grid->addWidget(font, 1, 2);
    layout->addLayout(grid);
    ShowColours();

    QHBoxLayout* buttons = OkCancelRow(this, id, kCancel);
    QPushButton* save = Button(this, id, kSaveDefault, "保存为默认");
    connect(save, &QPushButton::clicked, this, [this] { m_controller.SaveAsDefault(); });
    buttons->insertWidget(0, save);
    layout->addLayout(buttons);
    auto* note = Label(this, id, kDefaultNote,
                       "注：点击“保存为默认”后，以后添加的文本框都将使用这里的颜色和字体。");
    note->setWordWrap(true);
    layout->addWidget(note);
}

void CDeviceDlgTextProperty::ShowText() {
    const QSignalBlocker quiet(m_edit);
    m_edit->setPlainText(QString::fromStdString(m_controller.EditText()));
    m_edit->moveCursor(QTextCursor::End);
}

void CDeviceDlgTextProperty::ShowColours() {
    m_textSwatch->SetColour(m_controller.TextColour());
    m_backSwatch->SetColour(m_controller.BackColour());
}

void CDeviceDlgTextProperty::OnTextEdited() {
    if (!m_controller.OnTextChanged(m_edit->toPlainText().toStdString())) {
        // The box would leave the sheet: the edit shows the text the box
        // keeps, the cursor where the refused change was made.
        const int position = m_edit->textCursor().position();
        ShowText();
        QTextCursor cursor = m_edit->textCursor();
        cursor.setPosition(std::min(position, int(m_edit->toPlainText().size())));
        m_edit->setTextCursor(cursor);
    }
    // The edit's own undo would bypass the checks.
    m_edit->setUndoRedoEnabled(false);
    m_edit->setUndoRedoEnabled(true);
}

void CDeviceDlgTextProperty::ChooseColour(bool text) {
    const auto chosen =
        ChooseIn(m_colours, text ? m_controller.TextColour() : m_controller.BackColour());
    if (!chosen)
        return;
    if (text)
        m_controller.SetTextColour(*chosen);
    else
        m_controller.SetBackColour(*chosen);
    ShowColours();
}

void CDeviceDlgTextProperty::ChooseFont() {
    const model::LOGFONT current = m_controller.Font();
    m_fonts.setCurrentFont(platform::gdi::ToQFont(current));
    if (m_fonts.exec() == QDialog::Accepted)
        m_controller.SetFont(platform::gdi::FromQFont(m_fonts.selectedFont(), current));
}

void CDeviceDlgTextProperty::accept() {
    if (m_controller.OnOk())
        QDialog::accept();
    else
        m_edit->setFocus();
}

void CDeviceDlgTextProperty::reject() {
    m_controller.OnCancel();
    QDialog::reject();
}

// --- CDeviceDlgAddGeneric -------------------------------------------------------

CDeviceDlgAddGeneric::CDeviceDlgAddGeneric(CAddGenericController& controller, QWidget* parent)
    : QDialog(parent), m_controller(controller) {
    constexpr int id = kAddGenericDialog;
    setWindowTitle(DialogString(id, 0, "通用设备属性"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    m_inputs = Edit(this, kInputsEdit, controller.InputsText());
    m_outputs = Edit(this, kOutputsEdit, controller.OutputsText());
    m_name = Edit(this, kNameEdit, controller.NameText());
    grid->addWidget(Label(this, id, kInputsLabel, "输入个数："), 0, 0);
    grid->addWidget(m_inputs, 0, 1);
    grid->addWidget(Label(this, id, kOutputsLabel, "输出个数："), 1, 0);
    grid->addWidget(m_outputs, 1, 1);
    grid->addWidget(Label(this, id, kNameLabel, "设备名称："), 2, 0);
    grid->addWidget(m_name, 2, 1);
    layout->addLayout(grid);
    layout->addLayout(OkCancelRow(this, id));
}

void CDeviceDlgAddGeneric::accept() {
    m_controller.SetInputsText(m_inputs->text().toStdString());
    m_controller.SetOutputsText(m_outputs->text().toStdString());
    m_controller.SetNameText(m_name->text().toStdString());
    const bool ok = m_controller.OnOk();
    m_inputs->setText(QString::fromStdString(m_controller.InputsText()));
    m_outputs->setText(QString::fromStdString(m_controller.OutputsText()));
    m_name->setText(QString::fromStdString(m_controller.NameText()));
    if (ok) {
        QDialog::accept();
        return;
    }
    QLineEdit* fault = m_controller.Focus() == EDialogField::Outputs ? m_outputs : m_inputs;
    fault->setFocus();
    fault->selectAll();
}

} // namespace device_editor::ui
