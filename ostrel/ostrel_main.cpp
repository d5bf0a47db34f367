// ostrel: the operator program. COstrelProgram puts it together (the main
// window, the editors' documents registered in it, the application that
// starts it) and ends it in order; see the README for its settings.
#include "model/messages.h"
#include "ostrel/ostrel_program.h"
#include "platform/app_paths/app_paths.h"
#include "platform/automation/dbus_transport.h"
#include "resources/bitmaps.h"
#include "shell/ui/message_boxes.h"
#include "shell/ui/pictures.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include <QApplication>

namespace {

constexpr const char* kUsage =
    "usage: ostrel [FILE.zo | FILE.dsp]\n"
    "\n"
    "The operator program: draws installations and DSP configurations, downloads\n"
    "them to the units and watches the units live. Its settings, language packs\n"
    "and logs are in the program folder: $OSTREL_HOME, else ~/.local/share/ostrel.\n"
    "OSTREL_MESSAGE_LOG=<file> records every message there instead of showing it.\n";

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName("ostrel");
    QApplication::setWindowIcon(shell::ui::IconPicture(resources::kIconApplication));

    shell::ui::CQtUiThread uiThread;
    model::SetUiThread(&uiThread);
    shell::ui::CMessageBoxSink boxes;
    try {
        if (!model::InstallMessageLogFromEnvironment())
            model::SetMessageSink(&boxes);
    } catch (const std::runtime_error& error) {
        std::fprintf(stderr, "ostrel: %s\n", error.what());
        return 2;
    }
    // The discovery server is a program of its own on the session bus.
    platform::automation::use_dbus_transport();

    std::vector<std::string> args;
    for (const QString& arg : QApplication::arguments().mid(1))
        args.push_back(arg.toStdString());

    int result = 1;
    {
        ostrel::COstrelProgram program(platform::app_paths::ProgramFolder());
        if (program.Start(args))
            result = QApplication::exec();
    }
    model::SetMessageSink(nullptr);
    model::SetUiThread(nullptr);
    return result;
}
