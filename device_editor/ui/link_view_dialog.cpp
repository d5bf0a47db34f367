#include "device_editor/ui/link_view_dialog.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "platform/gdi/qt_canvas.h"
#include "resources/bitmaps.h"
#include "shell/dialog_texts.h"
#include "shell/ui/locked_header.h"
#include "shell/ui/pictures.h"

namespace device_editor::ui {

namespace {

// Column widths in pixels: the separator column, sending channel and
// device, the arrow, receiving channel and device.
constexpr int kColumnWidths[6] = {40, 90, 140, 40, 90, 140};
constexpr int kArrowColumn = 3;

} // namespace

// --- printers --------------------------------------------------------------------

CQtLinkListPrinter::CQtLinkListPrinter(std::unique_ptr<QPrinter> printer)
    : m_printer(std::move(printer)) {}

CQtLinkListPrinter::~CQtLinkListPrinter() {
    m_canvas.reset();
    if (m_painter && m_painter->isActive())
        m_painter->end();
}

bool CQtLinkListPrinter::Begin() {
    m_painter = std::make_unique<QPainter>();
    m_pages = 0;
    return m_painter->begin(m_printer.get());
}

model::Size CQtLinkListPrinter::PageSize() const {
    const QRect page = m_printer->pageLayout().paintRectPixels(m_printer->resolution());
    return {page.width(), page.height()};
}

int CQtLinkListPrinter::DpiY() const {
    return m_printer->resolution();
}

model::Canvas& CQtLinkListPrinter::StartPage() {
    if (m_pages++ > 0)
        m_printer->newPage();
    m_canvas = std::make_unique<platform::gdi::QtCanvas>(*m_painter);
    return *m_canvas;
}

void CQtLinkListPrinter::EndPage() {
    m_canvas.reset();
}

void CQtLinkListPrinter::End() {
    m_canvas.reset();
    m_painter->end();
}

std::unique_ptr<ILinkListPrinter> DefaultLinkListPrinter() {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return nullptr;
    return std::make_unique<CQtLinkListPrinter>(
        std::make_unique<QPrinter>(info, QPrinter::HighResolution));
}

std::unique_ptr<ILinkListPrinter> PdfLinkListPrinter(const QString& path) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);
    return std::make_unique<CQtLinkListPrinter>(std::move(printer));
}

// --- CDeviceDlgLinkView ---------------------------------------------------------

CDeviceDlgLinkView::CDeviceDlgLinkView(CLinkViewController& controller, QWidget* parent,
                                       PrinterSource printer, SavePathSource savePath)
    : QDialog(parent), m_controller(controller), m_printer(std::move(printer)),
      m_savePath(std::move(savePath)) {
    constexpr int id = kLinkViewDialog;
    setWindowTitle(shell::DialogString(id, 0, "连接关系列表"));
    auto* layout = new QVBoxLayout(this);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("ctl%1").arg(kList));
    m_list->setRootIsDecorated(false);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setColumnCount(6);
    auto* header = new shell::ui::CLockedHeaderCtrl(Qt::Horizontal, m_list);
    m_list->setHeader(header);
    header->setStretchLastSection(false);
    QStringList titles;
    for (int column = 0; column < 6; ++column)
        titles << QString::fromStdString(CLinkViewController::ColumnTitle(column));
    m_list->setHeaderLabels(titles);
    for (int column = 0; column < 6; ++column)
        header->resizeSection(column, kColumnWidths[column]);
    int width = 0;
    for (const int w : kColumnWidths)
        width += w;
    m_list->setMinimumWidth(width + 30);
    layout->addWidget(m_list);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    const auto button = [&](int control, const char* builtin) {
        auto* b = new QPushButton(shell::DialogString(id, control, builtin), this);
        b->setObjectName(QStringLiteral("ctl%1").arg(control));
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    connect(button(kSaveButton, "另存为..."), &QPushButton::clicked, this,
            &CDeviceDlgLinkView::Save);
    connect(button(kPrintButton, "打印..."), &QPushButton::clicked, this,
            &CDeviceDlgLinkView::Print);
    connect(button(kExitButton, "退出"), &QPushButton::clicked, this, &QDialog::reject);
    layout->addLayout(buttons);
    resize(width + 60, 400);
    Fill();
}

void CDeviceDlgLinkView::Fill() {
    const QIcon arrow(QPixmap::fromImage(
        shell::ui::PictureImage(resources::LoadBitmap(resources::kBitmapLinkArrow))));
    for (const LinkRow& row : m_controller.Rows()) {
        auto* item = new QTreeWidgetItem(m_list);
        if (row.separator) {
            item->setText(0, QStringLiteral("void"));
            continue;
        }
        item->setText(1, QString::fromStdString(row.sendChannel));
        item->setText(2, QString::fromStdString(row.sendDevice));
        item->setIcon(kArrowColumn, arrow);
        item->setText(4, QString::fromStdString(row.receiveChannel));
        item->setText(5, QString::fromStdString(row.receiveDevice));
    }
}

std::optional<QString> CDeviceDlgLinkView::AskSavePath(const QString& proposed) {
    if (m_savePath)
        return m_savePath(proposed);
    QFileDialog dialog(this, QString(), proposed, QStringLiteral("text file (*.txt)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

void CDeviceDlgLinkView::Save() {
    const std::optional<QString> path =
        AskSavePath(QString::fromStdString(CLinkViewController::DefaultFileName()));
    if (path)
        m_controller.Export(std::filesystem::path(path->toStdString()));
}

void CDeviceDlgLinkView::Print() {
    const std::unique_ptr<ILinkListPrinter> printer =
        m_printer ? m_printer() : DefaultLinkListPrinter();
    m_controller.Print(printer.get());
}

} // namespace device_editor::ui
