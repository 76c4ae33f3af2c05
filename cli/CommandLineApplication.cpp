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
    // The offscreen platform's notes on window hints say nothing to a script;
    // one of them comes without a category, and is dropped by its text.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.qpa.*=false"));
    static const QtMessageHandler earlierHandler = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (message == QLatin1String("This plugin does not support propagateSizeHints()"))
                return;
            // Qt hands back its default handler when none was installed.
            earlierHandler(type, context, message);
        });
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
