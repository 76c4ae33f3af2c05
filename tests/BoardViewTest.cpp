// The board view's real pixels: white empty cells, the sheet's tiles for the
// two species, the background for anything else, and a painter left as found.
#include "board/Board.h"
#include "board/StepThread.h"
#include "view/BoardPainting.h"
#include "view/PanelWidget.h"
#include "view/SpriteSheet.h"

#include <QPainter>
#include <QtTest>

namespace
{

// Where the counter stands (baseline at (740, 120)); its font is the
// platform's, so only that its number shows and changes is checked.
const QRect counterArea(736, 96, 64, 24);
const QColor backgroundColor(Qt::magenta);

enum class Expected { Background, LeftTile, RightTile };

void prepareDisplayBoard(StepThread& board)
{
    board.setWidth(100);
    board.setHeight(15);
    board.setSteps(1);
    board.reset();
}

QImage render(StepThread& board, int stepCount = 0)
{
    PanelWidget view(nullptr, &board);
    view.stepCount = stepCount;
    view.setFixedSize(800, 120);
    // A colour no cell is drawn in shows what the view leaves unpainted.
    QPalette palette = view.palette();
    palette.setColor(QPalette::Window, backgroundColor);
    view.setPalette(palette);
    return view.grab().toImage();
}

} // namespace

Q_DECLARE_METATYPE(Expected)

class BoardViewTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void emptyBoardIsWhite();
    void cellShowsItsTile_data();
    void cellShowsItsTile();
    void drawLeavesPenAndBrush();
    void anyBoardAtAnyCellSize_data();
    void anyBoardAtAnyCellSize();
};

void BoardViewTest::initTestCase()
{
    loadSpriteSheet();
    QVERIFY(spriteSheet && !spriteSheet->isNull());
    const QImage sheet = spriteSheet->toImage();
    QVERIFY(sheet.width() >= 16 && sheet.height() >= 8);
    // The tile tests below can only tell the tiles apart if they differ.
    QVERIFY(sheet.copy(0, 0, 8, 8) != sheet.copy(8, 0, 8, 8));
}

void BoardViewTest::emptyBoardIsWhite()
{
    StepThread board;
    prepareDisplayBoard(board);
    const QImage image = render(board);
    QCOMPARE(image.size(), QSize(800, 120));

    // Every pixel of every cell, corners included: a white square one pixel
    // short would leave the background showing on a cell's rim.
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 800; ++x)
            if (!counterArea.contains(x, y) && image.pixelColor(x, y) != QColor(Qt::white))
                QFAIL(qPrintable(QString("pixel %1,%2 is %3, not white")
                                     .arg(x)
                                     .arg(y)
                                     .arg(image.pixelColor(x, y).name())));

    // The counter draws its number: another number, other pixels in its corner.
    const QImage counter = image.copy(counterArea);
    bool inked = false;
    for (int y = 0; y < counter.height(); ++y)
        for (int x = 0; x < counter.width(); ++x)
            inked = inked || counter.pixelColor(x, y) != QColor(Qt::white);
    QVERIFY(inked);
    QVERIFY(render(board, 57).copy(counterArea) != counter);
}

void BoardViewTest::cellShowsItsTile_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("code");
    QTest::addColumn<Expected>("expected");

    QTest::newRow("first species at (0, 0): right tile") << 0 << 0 << 1 << Expected::RightTile;
    QTest::newRow("second species at (99, 14): left tile") << 99 << 14 << 2 << Expected::LeftTile;
    QTest::newRow("second species at (0, 0): left tile") << 0 << 0 << 2 << Expected::LeftTile;
    QTest::newRow("first species at (99, 14): right tile") << 99 << 14 << 1 << Expected::RightTile;
    QTest::newRow("first species at (37, 8): right tile") << 37 << 8 << 1 << Expected::RightTile;
    QTest::newRow("unknown code 5: background") << 50 << 7 << 5 << Expected::Background;
    QTest::newRow("unknown code -1: background") << 0 << 0 << -1 << Expected::Background;
}

void BoardViewTest::cellShowsItsTile()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, code);
    QFETCH(Expected, expected);

    StepThread board;
    prepareDisplayBoard(board);
    board.setCell(x, y, code);
    const QImage image = render(board);
    const QImage sheet = spriteSheet->toImage();

    for (int j = 0; j < 8; ++j)
        for (int i = 0; i < 8; ++i) {
            const QColor pixel = image.pixelColor(8 * x + i, 8 * y + j);
            QColor wanted = backgroundColor;
            if (expected == Expected::LeftTile)
                wanted = sheet.pixelColor(i, j);
            else if (expected == Expected::RightTile)
                wanted = sheet.pixelColor(8 + i, j);
            if (pixel != wanted)
                QFAIL(qPrintable(QString("cell pixel %1,%2 is %3, wanted %4")
                                     .arg(i)
                                     .arg(j)
                                     .arg(pixel.name(), wanted.name())));
        }

    // The cells around it stay white: the tile is drawn at its own place only.
    for (const QPoint& d : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)}) {
        const QPoint cell(x + d.x(), y + d.y());
        if (cell.x() < 0 || cell.x() >= 100 || cell.y() < 0 || cell.y() >= 15)
            continue;
        const QPoint centre(8 * cell.x() + 4, 8 * cell.y() + 4);
        if (counterArea.contains(centre))
            continue;
        QCOMPARE(image.pixelColor(centre), QColor(Qt::white));
    }
}

void BoardViewTest::drawLeavesPenAndBrush()
{
    StepThread board;
    prepareDisplayBoard(board);
    board.setCell(0, 0, 1);
    board.setCell(1, 0, 2);
    board.setCell(2, 0, 7);

    QImage canvas(800, 120, QImage::Format_ARGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    const QPen pen(QColor(10, 20, 30), 3, Qt::DashLine);
    const QBrush brush(QColor(200, 100, 50), Qt::Dense4Pattern);
    painter.setPen(pen);
    painter.setBrush(brush);

    drawBoard(&painter, board.board());
    QCOMPARE(painter.pen(), pen);
    QCOMPARE(painter.brush(), brush);
    painter.end();
    // It did draw: the empty cells are white now.
    QCOMPARE(canvas.pixelColor(8 * 50 + 4, 8 * 7 + 4), QColor(Qt::white));
}

void BoardViewTest::anyBoardAtAnyCellSize_data()
{
    QTest::addColumn<int>("cellSize");
    QTest::newRow("1 pixel a cell") << 1;
    QTest::newRow("3 pixels") << 3;
    QTest::newRow("16 pixels, the tiles doubled") << 16;
}

// A plain board of any size fills exactly its cells at any scale, a tile
// drawn scaled to the cell and nothing painted beyond the board.
void BoardViewTest::anyBoardAtAnyCellSize()
{
    QFETCH(int, cellSize);
    Board board;
    board.setWidth(7);
    board.setHeight(4);
    board.reset();
    board.setCell(2, 1, 1);
    board.setCell(6, 3, 2);
    QImage canvas(7 * cellSize + 5, 4 * cellSize + 5, QImage::Format_ARGB32);
    canvas.fill(backgroundColor);
    QPainter painter(&canvas);
    drawBoard(&painter, board, cellSize, *spriteSheet);
    painter.end();

    const QImage sheet = spriteSheet->toImage();
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            const QPoint cell(x / cellSize, y / cellSize);
            const QColor pixel = canvas.pixelColor(x, y);
            QColor wanted = Qt::white;
            if (cell.x() >= 7 || cell.y() >= 4)
                wanted = backgroundColor;
            else if (board.cellAt(cell.x(), cell.y()) != 0) {
                if (cellSize % 8 != 0) {
                    QVERIFY(pixel != backgroundColor);
                    continue;
                }
                const int scale = cellSize / 8;
                const int tileLeft = board.cellAt(cell.x(), cell.y()) == 1 ? 8 : 0;
                wanted = sheet.pixelColor(tileLeft + x % cellSize / scale, y % cellSize / scale);
            }
            if (pixel != wanted)
                QFAIL(qPrintable(QString("pixel %1,%2 is %3, wanted %4")
                                     .arg(x)
                                     .arg(y)
                                     .arg(pixel.name(), wanted.name())));
        }
}

QTEST_MAIN(BoardViewTest)
#include "BoardViewTest.moc"
