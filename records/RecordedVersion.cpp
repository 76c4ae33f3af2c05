#include "records/RecordedVersion.h"

#include "output/QuotedText.h"
#include "version/ProgramVersion.h"

QByteArray recordedProgramVersion()
{
    return QByteArrayLiteral(COEVOLIFE_VERSION);
}

QString recordedVersionProblem(const QByteArray& recorded, int fieldSize)
{
    const QByteArray thisVersion = recordedProgramVersion();
    if (recorded == thisVersion.left(fieldSize))
        return {};
    return QStringLiteral("written by Coevolife %1, but this is %2; another version "
                          "may play other numbers")
        .arg(quotedText(recorded), QString::fromLatin1(thisVersion));
}
