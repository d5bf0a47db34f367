// A start of the program as far as the instance check: prints "first" and
// waits to be asked to show itself ("shown"), or prints "second" and ends.
#include "shell/single_instance.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    shell::CSingleInstance instance(argv[1]);
    if (!instance.Acquire()) {
        std::puts("second");
        return 3;
    }
    instance.SetShowHandler([] {
        std::puts("shown");
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    std::puts("first");
    std::fflush(stdout);
    QTimer::singleShot(30000, [] { QCoreApplication::exit(1); });
    return app.exec();
}
