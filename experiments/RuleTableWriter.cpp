#include "experiments/RuleTableWriter.h"

#include "board/StepThread.h"
#include "view/SpriteTiles.h"

#include <QStringList>

namespace
{

constexpr int stateCount = 3;
constexpr int neighbourCount = 8;

// The eight neighbours of the centre of a 3 x 3 board, in the table's Moore
// order: N, NE, E, SE, S, SW, W, NW.
constexpr int neighbourColumns[neighbourCount] = {1, 2, 2, 2, 1, 0, 0, 0};
constexpr int neighbourRows[neighbourCount] = {0, 0, 1, 2, 2, 2, 1, 0};

QString colourLine(int state, const QColor& colour)
{
    return QStringLiteral("%1 %2 %3 %4\n")
        .arg(state)
        .arg(colour.red())
        .arg(colour.green())
        .arg(colour.blue());
}

} // namespace

QString coevolifeRuleTable()
{
    QString text = QStringLiteral("@RULE Coevolife\n\n"
                                  "Two species on a torus. State 1 survives on 2 or 3 of its own\n"
                                  "kind; state 2 survives on 2 or 3 of its own kind but turns\n"
                                  "into state 1 when two or more state-1 cells touch it; an empty\n"
                                  "cell is born state 1 on three state-1 neighbours, otherwise\n"
                                  "state 2 on three state-2 neighbours.\n\n"
                                  "@TABLE\n"
                                  "n_states:3\n"
                                  "neighborhood:Moore\n"
                                  "symmetries:permute\n\n"
                                  "# C,N,NE,E,SE,S,SW,W,NW,C'\n");

    // On a 3 x 3 torus the centre's eight neighbours are eight distinct cells,
    // so one board evaluates every (own state, N1, N2) combination. Under
    // permutation symmetry one line per combination covers every arrangement;
    // combinations that keep the state are left out, as the format keeps the
    // state of any cell that no line matches.
    StepThread board;
    board.setWidth(3);
    board.setHeight(3);
    for (int own = 0; own < stateCount; ++own) {
        for (int n1 = 0; n1 <= neighbourCount; ++n1) {
            for (int n2 = 0; n1 + n2 <= neighbourCount; ++n2) {
                board.reset();
                board.setCell(1, 1, own);
                QStringList cells{QString::number(own)};
                for (int k = 0; k < neighbourCount; ++k) {
                    const int code = k < n1 ? 1 : (k < n1 + n2 ? 2 : 0);
                    board.setCell(neighbourColumns[k], neighbourRows[k], code);
                    cells.append(QString::number(code));
                }
                const int next = board.nextState(1, 1);
                if (next == own)
                    continue;
                cells.append(QString::number(next));
                text += cells.join(QLatin1Char(',')) + QLatin1Char('\n');
            }
        }
    }

    // Empty cells are drawn white on the board, live ones in their tile colour.
    text += QStringLiteral("\n@COLORS\n");
    text += colourLine(0, Qt::white);
    text += colourLine(1, firstSpeciesColor);
    text += colourLine(2, secondSpeciesColor);
    return text;
}
