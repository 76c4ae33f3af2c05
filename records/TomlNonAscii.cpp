#include "records/TomlNonAscii.h"

namespace
{

// The character at `at`: its lead byte and the continuation bytes that
// follow, as many as the lead byte calls for.
std::string_view characterAt(std::string_view text, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t wanted = (lead & 0xE0) == 0xC0   ? 2
                               : (lead & 0xF0) == 0xE0 ? 3
                               : (lead & 0xF8) == 0xF0 ? 4
                                                       : 1;
    std::size_t length = 1;
    while (length < wanted && at + length < text.size() &&
           (static_cast<unsigned char>(text[at + length]) & 0xC0) == 0x80)
        ++length;
    return text.substr(at, length);
}

} // namespace

std::optional<NonAsciiCharacter> firstNonAsciiOutsideComments(std::string_view toml)
{
    // TOML's tokens other than comments and strings are all ASCII; of these
    // two, only the comments may hold anything else here.
    enum class Within { Code, Comment, BasicString, LiteralString };
    Within within = Within::Code;
    bool multiLine = false;
    int line = 1;
    const auto runOf = [&toml](std::size_t at) {
        std::size_t end = at;
        while (end < toml.size() && toml[end] == toml[at])
            ++end;
        return end - at;
    };
    for (std::size_t at = 0; at < toml.size(); ++at) {
        const char c = toml[at];
        const bool ascii = static_cast<unsigned char>(c) < 0x80;
        if (!ascii && within != Within::Comment)
            return NonAsciiCharacter{line, characterAt(toml, at)};
        if (c == '\n') {
            ++line;
            // A one-line string ends with its line, if only as an error.
            if (within == Within::Comment || !multiLine)
                within = Within::Code;
            continue;
        }
        if (within == Within::Code) {
            if (c == '#') {
                within = Within::Comment;
            } else if (c == '"' || c == '\'') {
                const std::size_t run = runOf(at);
                multiLine = run >= 3;
                if (run != 2) // two quotes are an empty string
                    within = c == '"' ? Within::BasicString : Within::LiteralString;
                at += multiLine ? 2 : run - 1;
            }
        } else if (within == Within::BasicString || within == Within::LiteralString) {
            const char quote = within == Within::BasicString ? '"' : '\'';
            if (c == '\\' && within == Within::BasicString) {
                // Past the escaped character, unless a line end (counted) or
                // outside ASCII (refused).
                if (at + 1 < toml.size() && toml[at + 1] != '\n' &&
                    static_cast<unsigned char>(toml[at + 1]) < 0x80)
                    ++at;
            } else if (c == quote) {
                // A multi-line string ends with the last three quotes of a run
                // of three to five; fewer are part of it.
                const std::size_t run = multiLine ? runOf(at) : 1;
                if (run >= 3 || !multiLine)
                    within = Within::Code;
                at += run - 1;
            }
        }
    }
    return std::nullopt;
}
