#include "experiments/CsvLog.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

CsvLog::~CsvLog()
{
    abandon();
}

QString CsvLog::partialPathOf(const QString& path)
{
    return path + QStringLiteral(".partial");
}

QString CsvLog::row(const GenerationRecord& record)
{
    return QString::asprintf("%d,%.9g,%.9g,%.9g,%.9g", record.generation, record.average1,
                             record.average2, record.best1, record.best2);
}

QString CsvLog::open(const QString& path)
{
    abandon();
    finalPath = path;
    partial.setFileName(partialPathOf(path));
    if (!partial.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QStringLiteral("cannot write %1: %2").arg(finalPath, partial.errorString());
    return writeLine(QStringLiteral("generation,average1,average2,best1,best2"));
}

QString CsvLog::append(const GenerationRecord& record)
{
    return writeLine(row(record));
}

QString CsvLog::writeLine(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    if (partial.write(bytes) != bytes.size() || !partial.flush()) {
        const QString message =
            QStringLiteral("cannot write %1: %2").arg(finalPath, partial.errorString());
        abandon();
        return message;
    }
    return {};
}

QString CsvLog::finish()
{
    if (!partial.isOpen())
        return QStringLiteral("cannot write %1: the log is not open").arg(finalPath);
    partial.close();
    // rename() replaces an existing file atomically, which QFile::rename
    // refuses to do.
    if (std::rename(QFile::encodeName(partial.fileName()).constData(),
                    QFile::encodeName(finalPath).constData()) != 0) {
        const QString message = QStringLiteral("cannot write %1: %2")
                                    .arg(finalPath, QString::fromLocal8Bit(std::strerror(errno)));
        QFile::remove(partial.fileName());
        return message;
    }
    return {};
}

void CsvLog::abandon()
{
    if (!partial.isOpen())
        return;
    partial.close();
    partial.remove();
}
