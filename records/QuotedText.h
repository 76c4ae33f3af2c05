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
