#include "explorer/ImageFile.h"

#include "cli/ImageFormat.h"
#include "records/AtomicFile.h"

QString writeImageFile(const QString& path, const QImage& image)
{
    const QByteArray bytes = encodedImage(image, path);
    return bytes.isEmpty() ? QStringLiteral("cannot encode %1 as an image").arg(path)
                           : writeFileAtomically(path, bytes);
}
