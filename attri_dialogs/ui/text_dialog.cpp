#include "attri_dialogs/ui/text_dialog.h"

#include <QColorDialog>
#include <QFontDialog>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "model/ari_text.h"
#include "platform/gdi/qt_canvas.h"
#include "resources/bitmaps.h"
#include "shell/dialog_texts.h"
#include "shell/my_button.h"
#include "shell/ui/my_button_widget.h"

namespace attri_dialogs::ui {

namespace gdi = platform::gdi;

namespace {

constexpr int kTextDialog = 235;
constexpr int kTextEdit = 1051;
constexpr int kTransparencyButton = 1052;
constexpr int kSaveAsDefaultButton = 1053;
constexpr int kTextSwatch = 1054;
constexpr int kBackSwatch = 1032;
constexpr int kFontButton = 1055;
// The transparency lamp's frame divisor.
constexpr int kTransparencyDivisor = 64;
// The labels' ids, for the language packs.
constexpr int kTextInputLabel = 1523;
constexpr int kPropertiesLabel = 1524;
constexpr int kTextColourLabel = 1525;
constexpr int kBackColourLabel = 1526;
constexpr int kNoteLabel = 1527;

QLabel* TextLabel(QWidget* dialog, int id, const char* builtin, QRect place) {
    auto* label = new QLabel(shell::DialogString(kTextDialog, id, builtin), dialog);
    label->setGeometry(place);
    return label;
}

QPushButton* TextButton(QWidget* dialog, int id, const char* builtin, QRect place) {
    auto* button = new QPushButton(shell::DialogString(kTextDialog, id, builtin), dialog);
    shell::ui::SetControlId(button, id);
    button->setAutoDefault(false);
    button->setGeometry(place);
    return button;
}

} // namespace

CColourSwatch::CColourSwatch(QWidget* parent, std::function<gdi::COLORREF()> colour,
                             std::function<void()> onClick)
    : QWidget(parent), m_colour(std::move(colour)), m_onClick(std::move(onClick)) {}

void CColourSwatch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), gdi::ToQColor(m_colour()));
}

void CColourSwatch::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_onClick();
}

CDSPDlgAttriText::CDSPDlgAttriText(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module,
                                   QWidget* parent, QWidget* viewWidget)
    : CDSPDlgAttriText(
          std::make_unique<CAttriTextController>(view, dynamic_cast<model::CAriText&>(module)),
          parent, viewWidget) {}

CDSPDlgAttriText::CDSPDlgAttriText(std::unique_ptr<CAttriTextController> controller,
                                   QWidget* parent, QWidget* viewWidget)
    : CDSPDlgAttriBase(*controller, parent, viewWidget, resources::kIconTextDialog),
      m_text(std::move(controller)) {
    SetClientSize(DialogUnitsToPixels(248, 188));
    SetLargestSize({800, 600});
    TextLabel(this, kTextInputLabel, "文本输入：", {9, 6, 200, 15});
    m_edit = new QPlainTextEdit(this);
    shell::ui::SetControlId(m_edit, kTextEdit);
    m_edit->setGeometry(QRect(QPoint(9, 23), DialogUnitsToPixels(236, 98)));
    m_edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(m_edit, &QPlainTextEdit::textChanged, this, [this] {
        m_text->OnTextChanged(m_edit->toPlainText().toStdString());
        Show();
    });

    TextLabel(this, kPropertiesLabel, "文本属性：", {9, 190, 200, 15});
    TextLabel(this, kTextColourLabel, "文本颜色", {18, 212, 56, 18});
    auto* textSwatch = new CColourSwatch(
        this, [this] { return m_text->TextColour(); }, [this] { ChooseColour(false); });
    shell::ui::SetControlId(textSwatch, kTextSwatch);
    textSwatch->setGeometry(76, 210, 40, 22);
    TextLabel(this, kBackColourLabel, "背景颜色", {132, 212, 56, 18});
    auto* backSwatch = new CColourSwatch(
        this, [this] { return m_text->BackColour(); }, [this] { ChooseColour(true); });
    shell::ui::SetControlId(backSwatch, kBackSwatch);
    backSwatch->setGeometry(190, 210, 40, 22);
    connect(TextButton(this, kFontButton, "选择字体...", {250, 208, 110, 26}),
            &QPushButton::clicked, this, [this] { ChooseFont(); });

    // The transparency lamp takes the place of a plain button, its caption
    // kept whatever the state.
    TextButton(this, kTransparencyButton, "是否透明", {18, 242, 110, 26});
    m_transparency = new shell::ui::CMyButton(this);
    m_transparency->Attach(kTransparencyButton, this, shell::CMyButtonCore::kModeToggle,
                           kTransparencyDivisor, m_text->Transparent());
    connect(m_transparency, &shell::ui::CMyButton::Command, this, [this] {
        m_text->OnTransparency();
        Show();
        update();
    });
    connect(TextButton(this, kSaveAsDefaultButton, "保存为默认", {140, 242, 110, 26}),
            &QPushButton::clicked, this, [this] { m_text->SaveAsDefault(); });
    QLabel* note = TextLabel(this, kNoteLabel,
                             "  注:点击\"保存为默认\"按钮可使此颜色方案应用于所有新增文本类。",
                             {9, 274, 354, 28});
    note->setWordWrap(true);
    Show();
}

void CDSPDlgAttriText::Show() {
    const QString text = QString::fromStdString(m_text->EditText());
    if (m_edit->toPlainText() != text) {
        const QSignalBlocker quiet(m_edit);
        m_edit->setPlainText(text);
    }
    m_transparency->SetState(m_text->Transparent());
}

void CDSPDlgAttriText::RefreshControls() {
    CDSPDlgAttriBase::RefreshControls();
    m_text->Refresh();
    Show();
    update();
}

void CDSPDlgAttriText::ChooseColour(bool background) {
    if (!m_text->Editable())
        return;
    const gdi::COLORREF current = background ? m_text->BackColour() : m_text->TextColour();
    const QColor chosen = QColorDialog::getColor(gdi::ToQColor(current), this);
    if (!chosen.isValid())
        return;
    if (background)
        m_text->SetBackColour(gdi::FromQColor(chosen));
    else
        m_text->SetTextColour(gdi::FromQColor(chosen));
    update();
}

void CDSPDlgAttriText::ChooseFont() {
    if (!m_text->Editable())
        return;
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, gdi::ToQFont(m_text->Font()), this);
    if (!ok)
        return;
    m_text->SetFont(gdi::FromQFont(chosen, m_text->Font()));
    update();
}

} // namespace attri_dialogs::ui
