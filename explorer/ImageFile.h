#pragma once

#include <QString>

class QImage;

// `image` written atomically at `path` in the format its suffix names; the
// line that says why not, empty on success.
QString writeImageFile(const QString& path, const QImage& image);
