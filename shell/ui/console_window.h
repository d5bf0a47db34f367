#pragma once
// The command console's window (dialog 165) over the headless console of a
// DSP view, and the download progress window (dialog 246).
//
// The console's rows change on the sender's thread as well; the window
// hears of them through the row observer and carries each change to the
// user-interface thread in order, so widgets are touched there only.
//
// Texts come from the language pack's [Dialog 165] and [Dialog 246]
// sections by control id (0 the caption), else the built-in Chinese. A
// label belongs to the control it names; the tab control's entry holds its
// three tab titles separated by "|".
#include "comm/download_progress.h"
#include "comm/dsp_console.h"
#include "shell/dialog_texts.h"

#include <QDialog>
#include <QString>

class QLineEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTreeWidget;

namespace shell::ui {

class CConsoleWindow final : public QDialog, private comm::IConsoleRowObserver {
    Q_OBJECT
public:
    // Control ids of dialog 165.
    enum : int {
        kHandCommandEdit = 1197,
        kGetList = 1198,
        kStoreList = 1199,
        kMacEdit = 1200,
        kSerialPriorityEdit = 1201,
        kSysContactEdit = 1202,
        kAddButton = 1203,
        kControlList = 1204,
        kTab = 1223,
        kSentEdit = 1224,
        kReceivedEdit = 1225,
    };

    // Shows `console`'s rows from now on (those it holds already too); the
    // console must outlive the window.
    CConsoleWindow(comm::CDSPDlgShowCMD& console, const QString& unitMac, QWidget* parent = nullptr);
    ~CConsoleWindow() override;

    // The list of a queue, and the one the selected tab shows.
    QTreeWidget* List(comm::EConsoleQueue queue) const;
    QTabWidget* Tabs() const { return m_tabs; }
    QLineEdit* HandCommand() const { return m_handCommand; }
    QPushButton* AddButton() const { return m_add; }
    QLineEdit* MacEdit() const { return m_mac; }

    // The add button: the hand-typed command is queued, or message 299.
    void OnBnClickedAdd();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnRowAdded(comm::EConsoleQueue queue, int row, const std::string& command) override;
    void OnReplySet(comm::EConsoleQueue queue, int row, const std::string& reply) override;
    void OnRowsDropped(comm::EConsoleQueue queue, int count) override;
    void OnListCleared(comm::EConsoleQueue queue) override;
    void OnTabChanged(int tab);
    void LayOut();

    comm::CDSPDlgShowCMD& m_console;
    QLineEdit* m_mac = nullptr;
    QLineEdit* m_handCommand = nullptr;
    QPushButton* m_add = nullptr;
    QTabWidget* m_tabs = nullptr;
    QTreeWidget* m_lists[comm::kConsoleQueues] = {};
};

// The download progress window: no caption, a bar across it and a line of
// text. The bar follows the headless rules of comm::CDSPDlgDownloadProgress.
class CProgressWindow final : public QDialog {
    Q_OBJECT
public:
    enum : int { kProgressBar = 1226 };

    explicit CProgressWindow(QWidget* parent = nullptr);

    // Shows the window centred over `view`, leaving the activation where
    // it is: the operator goes on working in the program while it shows.
    void ShowOver(const QWidget& view);
    void SetTotal(int total);
    void SetPos(int pos);
    QProgressBar* Bar() const { return m_bar; }

private:
    void ShowBar();

    comm::CDSPDlgDownloadProgress m_model;
    QProgressBar* m_bar = nullptr;
};

} // namespace shell::ui
