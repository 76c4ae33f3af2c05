#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include <functional>

class QImage;
class QPainter;
class QRect;

// Every program writes a picture in the format its file name's suffix names:
// ".svg" and ".pdf", whose text stays text, or the raster formats Qt's image
// writers have here, ".png", ".jpg", ".bmp", ".ppm" and the like; any other
// name is refused before the work starts.

// A picture of `size` on white: `paint` paints it into the rectangle given,
// on whichever device the picture is written to.
struct ChartPicture {
    QSize size;
    std::function<void(QPainter&, const QRect&)> paint;

    // The picture in pixels.
    QImage image() const;
};

// One line naming `option` and `path` when the suffix names no format
// written here; empty otherwise.
QString imageFormatProblem(const QString& option, const QString& path);
// `image` encoded in the raster format `path`'s suffix names; empty when it
// cannot be.
QByteArray encodedImage(const QImage& image, const QString& path);
// `picture` in the format `path`'s suffix names, vector or raster; empty
// when it cannot be.
QByteArray encodedPicture(const ChartPicture& picture, const QString& path);
// `image` written atomically at `path` in the format its suffix names, or in
// `format` when one is given; the line that says why not, empty on success.
QString writeImageFile(const QString& path, const QImage& image, const char* format = nullptr);
// `picture` written atomically at `path` in the format its suffix names; the
// line that says why not, empty on success.
QString writePictureFile(const QString& path, const ChartPicture& picture);
// Whether `path`'s suffix names a vector format (".svg", ".pdf").
bool isVectorPicturePath(const QString& path);
// The rule as the --help texts give it: "its suffix names the image format:
// .png, .svg, .pdf, or ...".
QString imageFormatRule();
