#pragma once

#include <QString>

// The board's step rule as a RuleTable file named "Coevolife": three states
// (0 empty, 1 first species, 2 second species), Moore neighbourhood,
// permutation symmetry, and colours that match the sprite tiles. The
// transitions are computed from the rule the board steps by, so the file follows
// the board's rule wherever it changes. Only the contact counter, which no
// cell state records, is not replayed.
QString coevolifeRuleTable();
