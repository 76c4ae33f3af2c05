#pragma once

#include <QByteArray>
#include <QString>

// The text an error line shows for bytes read from a file or given as an
// argument: printable Unicode as it is; a backslash as \\; \n, \r, \t and \v
// by name; any other ASCII control character and every byte that is not part
// of valid UTF-8 as \xNN; other invisible code points (C1 controls,
// formatting such as bidi overrides, line and paragraph separators, private
// use, unassigned) as \uNNNN or \UNNNNNNNN.
// So the line stays one line, a terminal shows it without obeying it, and the
// bytes can be told apart. At most the first `maximumCharacters` characters
// (a character being a code point or a stray byte, never cut in two) are
// shown, then "…".
QString quotedText(const QByteArray& raw, int maximumCharacters = 60);

// Arguments and paths are shown whole up to the longest path a system takes.
constexpr int longestArgumentShown = 4096;
// Text given as a string (an argument, a path, a name the system gave), its
// UTF-8 bytes quoted as above.
QString quotedText(const QString& text, int maximumCharacters = longestArgumentShown);

// The last guard of a line printed for a person: any character quotedText
// would escape but a backslash, escaped the same way, so that text quoted
// already stays as it is and text that missed its quoting cannot reach the
// terminal raw.
QString withControlsEscaped(const QString& line);
