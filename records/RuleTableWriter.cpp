#include "records/RuleTableWriter.h"

#include "board/SpeciesColours.h"
#include "board/StepRule.h"

#include <QStringList>

namespace
{

constexpr int stateCount = 3;
constexpr int neighbourCount = 8;

QString colourLine(int state, unsigned rgb)
{
    return QStringLiteral("%1 %2 %3 %4\n")
        .arg(state)
        .arg(rgb >> 16 & 0xff)
        .arg(rgb >> 8 & 0xff)
        .arg(rgb & 0xff);
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

    // Under permutation symmetry one line per (own state, N1, N2) covers
    // every arrangement of the neighbours; combinations that keep the state
    // are left out, as the format keeps the state of any cell that no line
    // matches.
    for (int own = 0; own < stateCount; ++own) {
        for (int n1 = 0; n1 <= neighbourCount; ++n1) {
            for (int n2 = 0; n1 + n2 <= neighbourCount; ++n2) {
                const int next = nextCellCode(own, n1, n2);
                if (next == own)
                    continue;
                QStringList cells{QString::number(own)};
                for (int k = 0; k < neighbourCount; ++k)
                    cells.append(QString::number(k < n1 ? 1 : (k < n1 + n2 ? 2 : 0)));
                cells.append(QString::number(next));
                text += cells.join(QLatin1Char(',')) + QLatin1Char('\n');
            }
        }
    }

    // Empty cells are drawn white on the board, live ones in their tile colour.
    text += QStringLiteral("\n@COLORS\n");
    text += colourLine(0, 0xffffff);
    text += colourLine(1, firstSpeciesRgb);
    text += colourLine(2, secondSpeciesRgb);
    return text;
}
