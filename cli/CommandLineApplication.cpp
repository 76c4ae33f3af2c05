#include "cli/CommandLineApplication.h"

#include "output/QuotedText.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>

CommandLineApplication::CommandLineApplication(int& argc, char** argv, bool drawsCharts)
{
    ignoreFileSizeSignal();
    // Only the debug output of qDebug(); Qt's own categories and every
    // warning stay as they are.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    if (!drawsCharts) {
        app = std::make_unique<QCoreApplication>(argc, argv);
        return;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Without XDG_RUNTIME_DIR Qt warns and falls back to a shared folder in
    // /tmp; a folder of our own, gone at the end, needs neither.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        runtimeFolder = std::make_unique<QTemporaryDir>();
        if (runtimeFolder->isValid())
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeFolder->path()));
    }
    app = std::make_unique<QGuiApplication>(argc, argv);
}

CommandLineApplication::~CommandLineApplication() = default;

void reportError(const QString& message)
{
    // The name the program was started by is outside text too.
    std::fprintf(stderr, "%s: %s\n",
                 quotedText(QCoreApplication::applicationName()).toLocal8Bit().constData(),
                 withControlsEscaped(message).toLocal8Bit().constData());
}

std::unique_ptr<QTemporaryDir> useOffscreenPlatform()
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform's notes on window hints say nothing to a script.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.qpa.*=false"));
    std::unique_ptr<QTemporaryDir> runtimeFolder;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        runtimeFolder = std::make_unique<QTemporaryDir>();
        if (runtimeFolder->isValid())
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeFolder->path()));
    }
    return runtimeFolder;
}

void ignoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}
