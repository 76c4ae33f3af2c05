#include "charts/ImageFile.h"

#include "output/AtomicFile.h"
#include "output/QuotedText.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QStringList>

namespace
{

QByteArray formatOf(const QString& path)
{
    return QFileInfo(path).suffix().toLower().toLatin1();
}

// The suffixes of the formats Qt writes here, ".png" first.
QString suffixList()
{
    QStringList others;
    for (const QByteArray& format : QImageWriter::supportedImageFormats())
        if (format != "png")
            others << QLatin1Char('.') + QString::fromLatin1(format);
    others.sort();
    others.removeDuplicates();
    return QStringLiteral(".png (or %1)").arg(others.join(QStringLiteral(", ")));
}

} // namespace

QString imageFormatProblem(const QString& option, const QString& path)
{
    const QByteArray format = formatOf(path);
    if (!format.isEmpty() && QImageWriter::supportedImageFormats().contains(format))
        return {};
    return QStringLiteral("%1 %2: the suffix names no image format; end the name in %3")
        .arg(option, quotedText(path), suffixList());
}

namespace
{

QByteArray encodedIn(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format))
        return {};
    return bytes;
}

} // namespace

QByteArray encodedImage(const QImage& image, const QString& path)
{
    return encodedIn(image, formatOf(path).constData());
}

QString writeImageFile(const QString& path, const QImage& image, const char* format)
{
    const QByteArray bytes = format ? encodedIn(image, format) : encodedImage(image, path);
    return bytes.isEmpty() ? QStringLiteral("cannot encode %1 as an image").arg(quotedText(path))
                           : writeFileAtomically(path, bytes);
}

QString imageFormatRule()
{
    return QStringLiteral("its suffix names the image format: %1").arg(suffixList());
}
