#include "cli/CommandLineApplication.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>

CommandLineApplication::CommandLineApplication(int& argc, char** argv, bool drawsCharts)
{
    if (!drawsCharts) {
        app = std::make_unique<QCoreApplication>(argc, argv);
        return;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app = std::make_unique<QGuiApplication>(argc, argv);
}

CommandLineApplication::~CommandLineApplication() = default;

void reportError(const QString& message)
{
    std::fprintf(stderr, "%s: %s\n", QCoreApplication::applicationName().toLocal8Bit().constData(),
                 message.toLocal8Bit().constData());
}
