// cmake --install puts the programs, the menu entries, the icons drawn from
// our tiles, the software centre's metadata and the man pages where a
// desktop looks for them, and the installed programs run away from the build
// tree and say the build's version.
#include "TestSupport.h"
#include "desktop/AppIcon.h"
#include "version/ProgramVersion.h"
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
    void iconsAreDrawnInEverySize_data();
    void iconsAreDrawnInEverySize();
    void metadataProvidesEveryProgram();
    void programsSayTheirVersion_data();
    void programsSayTheirVersion();
    void installedBatchRunsElsewhere();
    void windowWritesItsScreenshot();

private:
    QTemporaryDir prefix;
};

void InstallTest::initTestCase()
{
    QVERIFY(prefix.isValid());
    const ProgramRun install =
        runProgram(QStringLiteral(COEVOLIFE_CMAKE_COMMAND),
                   {QStringLiteral("--install"), QStringLiteral(COEVOLIFE_BUILD_DIR),
                    QStringLiteral("--prefix"), prefix.path()});
    QVERIFY2(install.exitCode == 0, install.err.constData());
}

namespace
{

const QStringList programs = {QStringLiteral("coevolife"), QStringLiteral("coevolife-batch"),
                              QStringLiteral("coevolife-analyze"),
                              QStringLiteral("coevolife-explorer")};

QString iconPath(int size)
{
    return QStringLiteral("share/icons/hicolor/%1x%1/apps/org.coevolife.Coevolife.png").arg(size);
}

} // namespace

void InstallTest::installsProgramsEntryAndIcon()
{
    for (const QString& program : programs) {
        const QFileInfo info(prefix.filePath(QStringLiteral("bin/") + program));
        QVERIFY2(info.isFile() && info.isExecutable(), qPrintable(program));
        // From the program's own --help, when help2man was there to make it.
#ifdef COEVOLIFE_MAN_PAGES
        QVERIFY2(QFileInfo(prefix.filePath(QStringLiteral("share/man/man1/%1.1.gz").arg(program)))
                     .size() > 0,
                 qPrintable(program));
#endif
    }
    const struct {
        const char* file;
        const char* name;
        const char* exec;
    } entries[] = {{"org.coevolife.Coevolife.desktop", "Name=Coevolife", "Exec=coevolife"},
                   {"org.coevolife.Coevolife.Explorer.desktop", "Name=Coevolife Explorer",
                    "Exec=coevolife-explorer %f"}};
    for (const auto& expected : entries) {
        QFile entry(prefix.filePath(QStringLiteral("share/applications/") +
                                    QLatin1String(expected.file)));
        QVERIFY2(entry.open(QIODevice::ReadOnly), expected.file);
        const QStringList lines = QString::fromUtf8(entry.readAll()).split(QLatin1Char('\n'));
        QCOMPARE(lines.first(), QStringLiteral("[Desktop Entry]"));
        for (const char* line : {"Type=Application", expected.name, expected.exec,
                                 "Icon=org.coevolife.Coevolife", "Terminal=false"})
            QVERIFY2(lines.contains(QString::fromLatin1(line)), line);
    }
}

void InstallTest::iconIsDrawnFromTheTiles()
{
    const QImage installed(prefix.filePath(iconPath(128)));
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

void InstallTest::iconsAreDrawnInEverySize_data()
{
    QTest::addColumn<int>("size");
    for (const int size : appIconSizes)
        QTest::addRow("%d", size) << size;
}

void InstallTest::iconsAreDrawnInEverySize()
{
    QFETCH(int, size);
    const QImage installed(prefix.filePath(iconPath(size)));
    QCOMPARE(installed.size(), QSize(size, size));
    QCOMPARE(installed.convertToFormat(QImage::Format_ARGB32),
             drawAppIcon(size).convertToFormat(QImage::Format_ARGB32));
    // The board's white middle and its transparent corner at every size.
    QCOMPARE(installed.pixelColor(0, 0).alpha(), 0);
    QCOMPARE(installed.pixelColor(size / 8, size - size / 8), QColor(Qt::white));
}

void InstallTest::metadataProvidesEveryProgram()
{
    QFile metainfo(
        prefix.filePath(QStringLiteral("share/metainfo/org.coevolife.Coevolife.metainfo.xml")));
    QVERIFY(metainfo.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(metainfo.readAll());
    QVERIFY(text.contains(QStringLiteral("<id>org.coevolife.Coevolife</id>")));
    for (const QString& program : programs)
        QVERIFY2(text.contains(QStringLiteral("<binary>%1</binary>").arg(program)),
                 qPrintable(program));
    // The releases of CHANGELOG.md, the build's version the newest.
    const auto newest = text.indexOf(QStringLiteral("<release "));
    QVERIFY(newest > 0);
    QVERIFY(text.mid(newest).startsWith(
        QStringLiteral("<release version=\"%1\" ").arg(QStringLiteral(COEVOLIFE_VERSION))));
}

void InstallTest::programsSayTheirVersion_data()
{
    QTest::addColumn<QString>("program");
    for (const QString& program : programs)
        QTest::newRow(qPrintable(program)) << program;
}

void InstallTest::programsSayTheirVersion()
{
    QFETCH(QString, program);
    const ProgramRun run =
        runProgram(prefix.filePath(QStringLiteral("bin/") + program), {QStringLiteral("--version")});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(QString::fromUtf8(run.out),
             QStringLiteral("%1 %2\n").arg(program, QStringLiteral(COEVOLIFE_VERSION)));
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

void InstallTest::windowWritesItsScreenshot()
{
    QTemporaryDir elsewhere;
    QProcess window;
    window.setWorkingDirectory(elsewhere.path());
    window.start(prefix.filePath(QStringLiteral("bin/coevolife")),
                 {QStringLiteral("--screenshot"), QStringLiteral("window.png")});
    QVERIFY(window.waitForFinished(120000));
    QVERIFY2(window.exitCode() == 0, window.readAllStandardError().constData());
    const QImage image(elsewhere.filePath(QStringLiteral("window.png")));
    // The board of 100 cells of 8 pixels at least, above the log pane.
    QVERIFY2(image.width() >= 800 && image.height() > 120,
             qPrintable(QStringLiteral("%1 x %2").arg(image.width()).arg(image.height())));
    // The step counter's board is white where no cell lives yet.
    QCOMPARE(image.pixelColor(400, 60), QColor(Qt::white));
}

QTEST_MAIN(InstallTest)
#include "InstallTest.moc"
