#include "output/QuotedText.h"

#include <QChar>
#include <QList>

#include <utility>

namespace
{

// The code point of the valid UTF-8 sequence at `at` and its length in
// bytes; a length of 0 when the byte there starts none (a stray continuation
// byte, a sequence cut short, an overlong form, a surrogate or a code point
// past U+10FFFF).
std::pair<char32_t, int> codePointAt(const QByteArray& raw, qsizetype at)
{
    const auto lead = static_cast<unsigned char>(raw[at]);
    if (lead < 0x80)
        return {lead, 1};
    int length = 0;
    char32_t codePoint = 0;
    char32_t smallest = 0;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
        codePoint = lead & 0x1f;
        smallest = 0x80;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        codePoint = lead & 0x0f;
        smallest = 0x800;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        codePoint = lead & 0x07;
        smallest = 0x10000;
    } else {
        return {0, 0};
    }
    if (raw.size() - at < length)
        return {0, 0};
    for (int k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(raw[at + k]);
        if ((next & 0xc0) != 0x80)
            return {0, 0};
        codePoint = (codePoint << 6) | (next & 0x3f);
    }
    if (codePoint < smallest || codePoint > 0x10ffff ||
        (codePoint >= 0xd800 && codePoint <= 0xdfff))
        return {0, 0};
    return {codePoint, length};
}

QString hexEscape(char32_t value, char kind, int digits)
{
    return QStringLiteral("\\%1%2")
        .arg(QLatin1Char(kind))
        .arg(static_cast<uint>(value), digits, 16, QLatin1Char('0'));
}

// `backslash` false leaves a backslash as it is, for text quoted already.
QString shownCodePoint(char32_t codePoint, bool backslash = true)
{
    switch (codePoint) {
    case U'\\':
        return backslash ? QStringLiteral("\\\\") : QStringLiteral("\\");
    case U'\n':
        return QStringLiteral("\\n");
    case U'\r':
        return QStringLiteral("\\r");
    case U'\t':
        return QStringLiteral("\\t");
    case U'\v':
        return QStringLiteral("\\v");
    default:
        break;
    }
    if (codePoint < 0x20 || codePoint == 0x7f)
        return hexEscape(codePoint, 'x', 2);
    const QChar::Category category = QChar::category(codePoint);
    if (!QChar::isPrint(codePoint) || category == QChar::Separator_Line ||
        category == QChar::Separator_Paragraph)
        return codePoint <= 0xffff ? hexEscape(codePoint, 'u', 4) : hexEscape(codePoint, 'U', 8);
    return QString::fromUcs4(&codePoint, 1);
}

} // namespace

QString quotedText(const QByteArray& raw, int maximumCharacters)
{
    QString shown;
    qsizetype at = 0;
    for (int characters = 0; at < raw.size(); ++characters) {
        if (characters == maximumCharacters)
            return shown + QChar(0x2026);
        const auto [codePoint, length] = codePointAt(raw, at);
        if (length == 0) {
            shown += hexEscape(static_cast<unsigned char>(raw[at]), 'x', 2);
            ++at;
        } else {
            shown += shownCodePoint(codePoint);
            at += length;
        }
    }
    return shown;
}

QString quotedText(const QString& text, int maximumCharacters)
{
    return quotedText(text.toUtf8(), maximumCharacters);
}

QString withControlsEscaped(const QString& line)
{
    QString shown;
    for (const char32_t codePoint : line.toUcs4())
        shown += shownCodePoint(codePoint, false);
    return shown;
}
