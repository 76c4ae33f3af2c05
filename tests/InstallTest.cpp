// cmake --install puts both programs, the menu entry and the icon drawn from
// our tiles where a desktop looks for them, and the installed programs run
// away from the build tree.
#include "desktop/AppIcon.h"
#include "view/SpriteTiles.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class InstallTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void installsProgramsEntryAndIcon();
    void iconIsDrawnFromTheTiles();
    void installedBatchRunsElsewhere();

private:
    QTemporaryDir prefix;
};

void InstallTest::initTestCase()
{
    QVERIFY(prefix.isValid());
    QProcess install;
    install.start(QStringLiteral(COEVOLIFE_CMAKE_COMMAND),
                  {QStringLiteral("--install"), QStringLiteral(COEVOLIFE_BUILD_DIR),
                   QStringLiteral("--prefix"), prefix.path()});
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());
}

void InstallTest::installsProgramsEntryAndIcon()
{
    for (const char* program : {"bin/coevolife", "bin/coevolife-batch", "bin/coevolife-analyze"}) {
        const QFileInfo info(prefix.filePath(QString::fromLatin1(program)));
        QVERIFY2(info.isFile() && info.isExecutable(), program);
    }
    QFile entry(prefix.filePath(QStringLiteral("share/applications/coevolife.desktop")));
    QVERIFY(entry.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(entry.readAll()).split(QLatin1Char('\n'));
    QCOMPARE(lines.first(), QStringLiteral("[Desktop Entry]"));
    for (const char* line : {"Type=Application", "Name=Coevolife", "Exec=coevolife",
                             "Icon=coevolife", "Terminal=false"})
        QVERIFY2(lines.contains(QString::fromLatin1(line)), line);
    QVERIFY(QFileInfo::exists(
        prefix.filePath(QStringLiteral("share/icons/hicolor/128x128/apps/coevolife.png"))));
}

void InstallTest::iconIsDrawnFromTheTiles()
{
    const QImage installed(
        prefix.filePath(QStringLiteral("share/icons/hicolor/128x128/apps/coevolife.png")));
    QCOMPARE(installed.size(), QSize(128, 128));
    const QImage drawn = drawAppIcon();
    QCOMPARE(installed.convertToFormat(QImage::Format_ARGB32),
             drawn.convertToFormat(QImage::Format_ARGB32));

    // Every tile of both species appears whole, doubled pixel for pixel.
    const QImage tiles = drawSpriteTiles();
    const QImage firstTile =
        tiles.copy(8, 0, 8, 8).scaled(16, 16).convertToFormat(QImage::Format_ARGB32);
    const QImage secondTile =
        tiles.copy(0, 0, 8, 8).scaled(16, 16).convertToFormat(QImage::Format_ARGB32);
    int firstTiles = 0;
    int secondTiles = 0;
    for (int top = 0; top + 16 <= 128; ++top)
        for (int left = 0; left + 16 <= 128; ++left) {
            const QImage block =
                installed.copy(left, top, 16, 16).convertToFormat(QImage::Format_ARGB32);
            if (block == firstTile)
                ++firstTiles;
            else if (block == secondTile)
                ++secondTiles;
        }
    QCOMPARE(firstTiles, 5);  // a glider
    QCOMPARE(secondTiles, 6); // a beehive
    QCOMPARE(installed.pixelColor(0, 0).alpha(), 0);
}

void InstallTest::installedBatchRunsElsewhere()
{
    QTemporaryDir elsewhere;
    QProcess batch;
    batch.setWorkingDirectory(elsewhere.path());
    batch.start(prefix.filePath(QStringLiteral("bin/coevolife-batch")),
                {QStringLiteral("--seed"), QStringLiteral("12345"), QStringLiteral("--generations"),
                 QStringLiteral("1"), QStringLiteral("--plot"), QStringLiteral("fitness.png")});
    QVERIFY(batch.waitForFinished(120000));
    QCOMPARE(batch.exitCode(), 0);
    QCOMPARE(batch.readAllStandardOutput(),
             QByteArray("generation1 average : 9.19277, 2.51008,, 157.65, 85\nstopped\n"));
    QCOMPARE(QImage(elsewhere.filePath(QStringLiteral("fitness.png"))).size(), QSize(960, 540));
}

QTEST_MAIN(InstallTest)
#include "InstallTest.moc"
