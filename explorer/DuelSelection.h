#pragma once

#include <QMetaType>

// What the explorer's panes agree on: the duel of population 1's member
// `member1` of generation `generation1` against population 2's member
// `member2` of generation `generation2`; a member of -1 is that
// generation's champion. Generations are the run's own numbers.
struct DuelSelection {
    int generation1 = 0;
    int generation2 = 0;
    int member1 = -1;
    int member2 = -1;

    bool operator==(const DuelSelection& other) const
    {
        return generation1 == other.generation1 && generation2 == other.generation2 &&
               member1 == other.member1 && member2 == other.member2;
    }
    bool operator!=(const DuelSelection& other) const { return !(*this == other); }
};

Q_DECLARE_METATYPE(DuelSelection)
