#include "shell/ui/message_boxes.h"

#include "comm/event_log.h"
#include "shell/dialog_texts.h"
#include "shell/ui/text_fit.h"

#include <atomic>
#include <thread>

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

namespace shell::ui {

namespace {

using model::EMessageAnswer;
using model::EMessageButtons;

QString Title()
{
    return StringText(kProductTitleString);
}

QMessageBox::StandardButton ButtonOf(EMessageAnswer answer)
{
    switch (answer) {
    case EMessageAnswer::Ok:
        return QMessageBox::Ok;
    case EMessageAnswer::Cancel:
        return QMessageBox::Cancel;
    case EMessageAnswer::Yes:
        return QMessageBox::Yes;
    case EMessageAnswer::No:
        return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}

QMessageBox::StandardButtons ButtonsOf(EMessageButtons buttons)
{
    switch (buttons) {
    case EMessageButtons::Ok:
        return QMessageBox::Ok;
    case EMessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case EMessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case EMessageButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

// The buttons' texts of the string table: the toolkit's own are English
// whatever the language.
void NameButtons(QMessageBox& box)
{
    static constexpr struct {
        QMessageBox::StandardButton button;
        int text;
    } kTexts[] = {
        {QMessageBox::Ok, 4650},
        {QMessageBox::Cancel, 4651},
        {QMessageBox::Yes, 4652},
        {QMessageBox::No, 4653},
    };
    for (const auto& [button, text] : kTexts)
        if (QAbstractButton* shown = box.button(button))
            shown->setText(StringText(text));
}

} // namespace

std::unique_ptr<QMessageBox> MakeMessageBox(QMessageBox::Icon icon, const QString& text,
                                            QMessageBox::StandardButtons buttons)
{
    auto box = std::make_unique<QMessageBox>(icon, Title(), text, buttons,
                                             QApplication::activeWindow());
    NameButtons(*box);
    // The box sizes itself to its text when shown: a short message would
    // cut the product's name in the title.
    FitCaption(*box);
    return box;
}

bool CQtUiThread::IsUiThread() const
{
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

void CQtUiThread::Post(std::function<void()> task)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(task),
                              Qt::QueuedConnection);
}

void CMessageBoxSink::ShowMessage(int, const std::string& text)
{
    MakeMessageBox(QMessageBox::Information, QString::fromStdString(text), QMessageBox::Ok)->exec();
}

void CMessageBoxSink::Log(int id, const std::string& text)
{
    comm::ProgramLog().Write("Message " + std::to_string(id) + ": " + text);
}

EMessageAnswer CMessageBoxSink::Ask(int, const std::string& text, EMessageButtons buttons,
                                    EMessageAnswer defaultAnswer)
{
    const std::unique_ptr<QMessageBox> box =
        MakeMessageBox(QMessageBox::Question, QString::fromStdString(text), ButtonsOf(buttons));
    box->setDefaultButton(ButtonOf(defaultAnswer));
    box->setEscapeButton(ButtonOf(model::DismissAnswer(buttons)));
    switch (box->exec()) {
    case QMessageBox::Ok:
        return EMessageAnswer::Ok;
    case QMessageBox::Cancel:
        return EMessageAnswer::Cancel;
    case QMessageBox::Yes:
        return EMessageAnswer::Yes;
    case QMessageBox::No:
        return EMessageAnswer::No;
    default:
        return model::DismissAnswer(buttons);
    }
}

bool WaitProcessingEvents(platform::sync::event_t& event, std::chrono::milliseconds limit)
{
    QEventLoop loop;
    std::atomic<bool> came{false};
    // The loop quits from a queued call, which it runs once it is running
    // even when the event came before.
    std::jthread waiter([&] {
        came = event.wait(static_cast<std::uint32_t>(limit.count()));
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return came;
}

} // namespace shell::ui
