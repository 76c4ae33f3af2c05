// The window must start and draw whatever "pix.png" the working directory
// holds: broken files give way to the built-in sheet, odd but valid images are
// used as they are.
#include "TestSupport.h"
#include "app/MainWindow.h"
#include "board/StepThread.h"
#include "charts/ImageFile.h"
#include "view/PanelWidget.h"
#include "view/SpriteSheet.h"
#include "view/SpriteTiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

QByteArray pngBytes(const QImage& image)
{
    return encodedImage(image, QStringLiteral("pix.png"));
}

QImage filled(int width, int height, QColor color, QImage::Format format)
{
    QImage image(width, height, format);
    image.fill(color);
    return image;
}

// libpng reports a broken file, and the image reader an oversized one, on
// the warning channel: expected here.
bool isUnexpected(QtMsgType type, const QString& message)
{
    return MessageCatcher::isFaultWarning(type, message) &&
           !message.startsWith(QLatin1String("libpng")) &&
           !message.contains(QLatin1String("exceeds the current allocation limit"));
}

} // namespace

class HostileSpriteSheetTest : public QObject
{
    Q_OBJECT

private slots:
    void windowDrawsWithAnySheet_data();
    void windowDrawsWithAnySheet();
};

void HostileSpriteSheetTest::windowDrawsWithAnySheet_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("builtInExpected");

    const QByteArray goodSheet = pngBytes(drawSpriteTiles());
    QTest::newRow("empty file") << QByteArray() << true;
    QTest::newRow("truncated png") << goodSheet.left(goodSheet.size() / 2) << true;
    QTest::newRow("png header only") << goodSheet.left(8) << true;
    QTest::newRow("not an image") << QByteArray("this is not a picture\n") << true;
    QTest::newRow("one pixel") << pngBytes(filled(1, 1, Qt::magenta, QImage::Format_RGB32))
                               << false;
    // Beyond the image reader's allocation limit: refused, so a null pixmap.
    const QImage huge = filled(8000, 8000, Qt::darkGray, QImage::Format_Grayscale8);
    QTest::newRow("8000 x 8000") << pngBytes(huge) << true;
    const QImage large = filled(4000, 2000, Qt::darkGray, QImage::Format_Grayscale8);
    QTest::newRow("4000 x 2000") << pngBytes(large) << false;
}

void HostileSpriteSheetTest::windowDrawsWithAnySheet()
{
    QFETCH(QByteArray, contents);
    QFETCH(bool, builtInExpected);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QFile file(folder.filePath(QStringLiteral("pix.png")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
    file.close();
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder.path()));

    MessageCatcher unexpected(isUnexpected);
    {
        MainWindow window;
        QDir::setCurrent(previous);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* view = window.findChild<PanelWidget*>();
        QVERIFY(view);
        QVERIFY(spriteSheet && !spriteSheet->isNull());
        const QImage sheet = spriteSheet->toImage();
        if (builtInExpected)
            QCOMPARE(
                sheet,
                QImage(QString::fromLatin1(builtInSpriteSheet)).convertToFormat(sheet.format()));
        else
            QCOMPARE(sheet.size(), QImage::fromData(contents).size());

        view->board->setCell(0, 0, 1);
        view->board->setCell(1, 0, 2);
        view->board->setCell(2, 0, 0);
        const QImage shown = view->grab().toImage();
        QCOMPARE(shown.pixelColor(20, 4), QColor(Qt::white));
        if (sheet.width() >= 16 && sheet.height() >= 8) {
            QCOMPARE(shown.pixelColor(4, 4), sheet.pixelColor(12, 4));
            QCOMPARE(shown.pixelColor(12, 4), sheet.pixelColor(4, 4));
        }
    }
    const QStringList unexpectedMessages = unexpected.take();
    QVERIFY2(unexpectedMessages.isEmpty(), qPrintable(unexpectedMessages.join(QLatin1Char('\n'))));
}

QTEST_MAIN(HostileSpriteSheetTest)
#include "HostileSpriteSheetTest.moc"
