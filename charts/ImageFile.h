#pragma once

#include <QByteArray>
#include <QString>

class QImage;

// Every program writes an image in the format its file name's suffix names,
// among those Qt's image writers have here: ".png", or ".jpg", ".bmp", ".ppm"
// and the like; any other name is refused before the work starts.

// One line naming `option` and `path` when the suffix names no format
// written here; empty otherwise.
QString imageFormatProblem(const QString& option, const QString& path);
// `image` encoded in the format `path`'s suffix names; empty when it cannot be.
QByteArray encodedImage(const QImage& image, const QString& path);
// `image` written atomically at `path` in the format its suffix names, or in
// `format` when one is given; the line that says why not, empty on success.
QString writeImageFile(const QString& path, const QImage& image, const char* format = nullptr);
// The rule as the --help texts give it: "its suffix names the image format:
// .png, or ...".
QString imageFormatRule();
