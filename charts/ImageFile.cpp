#include "charts/ImageFile.h"

#include "output/AtomicFile.h"
#include "output/QuotedText.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QStringList>
#include <QSvgGenerator>

namespace
{

QByteArray formatOf(const QString& path)
{
    return QFileInfo(path).suffix().toLower().toLatin1();
}

bool isVectorFormat(const QByteArray& format)
{
    return format == "svg" || format == "pdf";
}

// The suffixes of the formats written here, ".png" and the vector ones first.
QString suffixList()
{
    QStringList others;
    for (const QByteArray& format : QImageWriter::supportedImageFormats())
        if (format != "png" && !isVectorFormat(format))
            others << QLatin1Char('.') + QString::fromLatin1(format);
    others.sort();
    others.removeDuplicates();
    return QStringLiteral(".png, .svg, .pdf (or %1)").arg(others.join(QStringLiteral(", ")));
}

// The picture painted on white over the whole of `device`, `size` units a side.
void paintOn(QPaintDevice& device, const ChartPicture& picture)
{
    QPainter painter(&device);
    const QRect whole(QPoint(0, 0), picture.size);
    painter.fillRect(whole, Qt::white);
    picture.paint(painter, whole);
}

QByteArray svgOf(const ChartPicture& picture)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(picture.size);
    svg.setViewBox(QRect(QPoint(0, 0), picture.size));
    paintOn(svg, picture);
    return bytes;
}

// A page of the picture's size, a pixel a point.
QByteArray pdfOf(const ChartPicture& picture)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    pdf.setResolution(72);
    pdf.setPageLayout(QPageLayout(QPageSize(QSizeF(picture.size), QPageSize::Point),
                                  QPageLayout::Portrait, QMarginsF()));
    paintOn(pdf, picture);
    return bytes;
}

} // namespace

QImage ChartPicture::image() const
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    paint(painter, image.rect());
    painter.end();
    return image;
}

bool isVectorPicturePath(const QString& path)
{
    return isVectorFormat(formatOf(path));
}

QString imageFormatProblem(const QString& option, const QString& path)
{
    const QByteArray format = formatOf(path);
    if (isVectorFormat(format) ||
        (!format.isEmpty() && QImageWriter::supportedImageFormats().contains(format)))
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

QByteArray encodedPicture(const ChartPicture& picture, const QString& path)
{
    const QByteArray format = formatOf(path);
    if (picture.size.isEmpty())
        return {};
    if (format == "svg")
        return svgOf(picture);
    if (format == "pdf")
        return pdfOf(picture);
    return encodedIn(picture.image(), format.constData());
}

QString writePictureFile(const QString& path, const ChartPicture& picture)
{
    const QByteArray bytes = encodedPicture(picture, path);
    return bytes.isEmpty() ? QStringLiteral("cannot encode %1 as an image").arg(quotedText(path))
                           : writeFileAtomically(path, bytes);
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
