// Our sprite sheet: the committed image is the generator's output, and
// loading prefers "pix.png" in the working directory over the built-in copy.
#include "view/SpriteSheet.h"
#include "view/SpriteTiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

// Compares every pixel, whatever the two images' formats.
bool samePixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return false;
    return true;
}

} // namespace

class SpriteSheetTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void committedSheetIsGeneratorOutput();
    void builtInSheetIsCommittedSheet();
    void tilesAreDistinguishable();
    void loadsWorkingDirectoryFileFirst();
    void fallsBackToBuiltInSheet_data();
    void fallsBackToBuiltInSheet();

private:
    QString startDirectory;
};

void SpriteSheetTest::init()
{
    startDirectory = QDir::currentPath();
}

void SpriteSheetTest::cleanup()
{
    QDir::setCurrent(startDirectory);
    spriteSheet.reset();
}

void SpriteSheetTest::committedSheetIsGeneratorOutput()
{
    const QString committed = QFINDTESTDATA("../view/pix.png");
    QVERIFY(!committed.isEmpty());
    const QImage image(committed);
    QCOMPARE(image.size(), QSize(16, 8));
    QVERIFY(samePixels(image, drawSpriteTiles()));
}

void SpriteSheetTest::builtInSheetIsCommittedSheet()
{
    const QImage builtIn(QString::fromLatin1(builtInSpriteSheet));
    QVERIFY(!builtIn.isNull());
    QVERIFY(samePixels(builtIn, drawSpriteTiles()));
}

void SpriteSheetTest::tilesAreDistinguishable()
{
    const QImage sheet = drawSpriteTiles();
    const QColor secondFill = sheet.pixelColor(4, 4);
    const QColor firstFill = sheet.pixelColor(12, 4);
    QCOMPARE(secondFill, secondSpeciesColor);
    QCOMPARE(firstFill, firstSpeciesColor);
    QVERIFY(secondFill != firstFill);
    // Every rim pixel is darker than its tile's fill, so that neighbouring
    // cells of one species stay apart.
    for (int tile = 0; tile < 2; ++tile) {
        const QColor fill = tile == 0 ? secondFill : firstFill;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const QColor pixel = sheet.pixelColor(8 * tile + x, y);
                QCOMPARE(pixel.alpha(), 255);
                if (x == 0 || y == 0 || x == 7 || y == 7)
                    QVERIFY2(pixel.value() < fill.value(),
                             qPrintable(QString("tile %1 at %2,%3").arg(tile).arg(x).arg(y)));
                else
                    QCOMPARE(pixel, fill);
            }
    }
}

void SpriteSheetTest::loadsWorkingDirectoryFileFirst()
{
    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    QImage own(16, 8, QImage::Format_RGB32);
    own.fill(QColor(Qt::magenta));
    QVERIFY(own.save(directory.filePath("pix.png"), "PNG"));
    QVERIFY(QDir::setCurrent(directory.path()));

    loadSpriteSheet();
    QVERIFY(spriteSheet);
    QVERIFY(samePixels(spriteSheet->toImage(), own));
}

void SpriteSheetTest::fallsBackToBuiltInSheet_data()
{
    QTest::addColumn<QByteArray>("fileContents");
    QTest::addColumn<bool>("fileExists");
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("not an image") << QByteArray("these are not the pixels you want\n") << true;
    QTest::newRow("empty file") << QByteArray() << true;
}

void SpriteSheetTest::fallsBackToBuiltInSheet()
{
    QFETCH(QByteArray, fileContents);
    QFETCH(bool, fileExists);
    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    if (fileExists) {
        QFile file(directory.filePath("pix.png"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(fileContents), qint64(fileContents.size()));
    }
    QVERIFY(QDir::setCurrent(directory.path()));

    loadSpriteSheet();
    QVERIFY(spriteSheet);
    QVERIFY(!spriteSheet->isNull());
    QVERIFY(samePixels(spriteSheet->toImage(), drawSpriteTiles()));
}

QTEST_MAIN(SpriteSheetTest)
#include "SpriteSheetTest.moc"
