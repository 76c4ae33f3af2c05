#include "records/PatternExport.h"

#include "output/AtomicFile.h"
#include "records/CsvText.h"
#include "records/RleWriter.h"
#include "records/RuleTableWriter.h"

#include <QDir>

QString scoreText(float score)
{
    return numberText(static_cast<double>(score));
}

QPair<QString, QString> duelExport(const Pattern& first, const Pattern& second,
                                   QStringList comments, const MatchLayout& layout)
{
    comments.append(
        QStringLiteral("needs Coevolife.rule; %1 steps play the match").arg(layout.steps));
    return {QStringLiteral("duel.rle"), duelRle(first, second, comments, layout)};
}

QString writeExports(const QString& folder, const ExportFiles& files)
{
    QString error = makeFolder(folder);
    if (!error.isEmpty())
        return error;
    const QDir dir(folder);
    ExportFiles all = files;
    all.append({QStringLiteral("Coevolife.rule"), coevolifeRuleTable()});
    for (const auto& file : all) {
        error = writeFileAtomically(dir.filePath(file.first), file.second.toUtf8());
        if (!error.isEmpty())
            return error;
    }
    return {};
}
