#pragma once
// The connection list window over CLinkViewController: the rows in a list
// under a header whose columns the operator cannot resize, the export into a
// text file and the printout, and the printers it prints on.
#include <QDialog>

#include <functional>
#include <memory>
#include <optional>

#include "device_editor/link_view_controller.h"

class QPainter;
class QPrinter;
class QTreeWidget;

namespace platform::gdi {
class QtCanvas;
}

namespace device_editor::ui {

inline constexpr int kLinkViewDialog = 4152;

// ILinkListPrinter over a QPrinter: one painter for the whole document, a
// canvas per page.
class CQtLinkListPrinter final : public ILinkListPrinter {
public:
    explicit CQtLinkListPrinter(std::unique_ptr<QPrinter> printer);
    ~CQtLinkListPrinter() override;

    bool Begin() override;
    model::Size PageSize() const override;
    int DpiY() const override;
    model::Canvas& StartPage() override;
    void EndPage() override;
    void End() override;

private:
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_painter;
    std::unique_ptr<platform::gdi::QtCanvas> m_canvas;
    int m_pages = 0;
};

// The system's default printer; null when there is none.
std::unique_ptr<ILinkListPrinter> DefaultLinkListPrinter();
// A printer that writes a PDF file, for a printout without paper.
std::unique_ptr<ILinkListPrinter> PdfLinkListPrinter(const QString& path);

class CDeviceDlgLinkView final : public QDialog {
    Q_OBJECT
public:
    enum : int { kList = 1000, kSaveButton = 4171, kPrintButton = 4172, kExitButton = 4173 };

    // The printer "打印..." prints on, null when there is none.
    using PrinterSource = std::function<std::unique_ptr<ILinkListPrinter>()>;
    // The file "另存为..." writes, from the proposed name; none on Cancel.
    using SavePathSource = std::function<std::optional<QString>(const QString& proposed)>;

    // The controller outlives the window. Without sources the window asks
    // the save dialog and prints on the default printer.
    explicit CDeviceDlgLinkView(CLinkViewController& controller, QWidget* parent = nullptr,
                                PrinterSource printer = {}, SavePathSource savePath = {});

    QTreeWidget* List() const { return m_list; }
    void Save();
    void Print();

private:
    void Fill();
    std::optional<QString> AskSavePath(const QString& proposed);

    CLinkViewController& m_controller;
    PrinterSource m_printer;
    SavePathSource m_savePath;
    QTreeWidget* m_list = nullptr;
};

} // namespace device_editor::ui
