#pragma once
// The message service in the program's windows: the user-interface thread
// over Qt's event loop, message boxes for messages and questions, and the
// event log for reports.
#include <chrono>
#include <memory>

#include <QMessageBox>

#include "model/messages.h"
#include "platform/sync/event.h"

namespace shell::ui {

// A box of the program's messages over the active window, titled with the
// product's name and wide enough to show that title whole; its buttons
// speak the program's language.
std::unique_ptr<QMessageBox> MakeMessageBox(QMessageBox::Icon icon, const QString& text,
                                            QMessageBox::StandardButtons buttons);

// The thread that made the QApplication; posted tasks run in its event loop.
class CQtUiThread final : public model::IUiThread {
public:
    bool IsUiThread() const override;
    void Post(std::function<void()> task) override;
};

// A message box per message and question, over the active window, titled
// with the product's name; reports go to the event log.
class CMessageBoxSink final : public model::IMessageSink {
public:
    void ShowMessage(int id, const std::string& text) override;
    void Log(int id, const std::string& text) override;
    model::EMessageAnswer Ask(int id, const std::string& text, model::EMessageButtons buttons,
                              model::EMessageAnswer defaultAnswer) override;
};

// Waits for `event` at most `limit` while the event loop goes on: windows
// paint, and a worker's message posted meanwhile is shown. Input to the
// windows waits. Whether the event came.
bool WaitProcessingEvents(platform::sync::event_t& event, std::chrono::milliseconds limit);

} // namespace shell::ui
