// The try session's test drives the real operator program through this
// library, which it preloads (LD_PRELOAD) into the session's ostrel; the
// program itself has no such hook. Once the main window is up it runs the
// DSP sheet's download commands through the window's own actions: Start,
// and Continue after a communication fault (each does nothing while the
// sheet cannot take it). When the file named by $OSTREL_TRY_DRIVER_QUIT
// appears it stops the download and closes the main window, as the
// operator would. Only in a program with widgets and a main frame.
#include "dsp_editor/dsp_commands.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMainWindow>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

QMainWindow* MainFrame()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == "mainFrame" && widget->isVisible())
            return qobject_cast<QMainWindow*>(widget);
    return nullptr;
}

// Runs command `id` through the frame's action for it, as a click does; the
// frame runs it only when the command is enabled. The action's own enabled
// mark is left out: the frame refreshes it on a change of window only.
void Run(QMainWindow& frame, int id)
{
    for (QAction* action : frame.findChildren<QAction*>()) {
        if (action->data().isValid() && action->data().toInt() == id) {
            emit action->triggered(false);
            return;
        }
    }
}

void Tick()
{
    QMainWindow* frame = MainFrame();
    if (frame == nullptr)
        return;
    const char* quit = std::getenv("OSTREL_TRY_DRIVER_QUIT");
    if (quit != nullptr && QFileInfo::exists(QString::fromLocal8Bit(quit))) {
        Run(*frame, dsp_editor::kCmdDownloadStop);
        std::fputs("try-driver: closing the main window\n", stderr);
        frame->close();
        return;
    }
    Run(*frame, dsp_editor::kCmdDownloadStart);
    Run(*frame, dsp_editor::kCmdDownloadContinue);
}

void Drive()
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        return;
    auto* timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, &Tick);
    timer->start(250);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(Drive)
