#pragma once

#include <optional>
#include <string_view>

// toml++ 3.3.0 asks whether a character outside ASCII is whitespace through a
// table that has no answer for some of them (U+00A1 to U+0499 among others),
// and its parser asks this wherever a key, a value or whitespace may come, and
// after a line-ending backslash in a string: undefined behaviour. Nothing
// outside ASCII belongs anywhere in a configuration but in a comment, its keys
// and values being ASCII, so a text with one elsewhere is refused before
// toml++ reads it.
struct NonAsciiCharacter {
    int line = 1;
    // Its bytes, as many as its first one calls for in UTF-8.
    std::string_view bytes;
};

std::optional<NonAsciiCharacter> firstNonAsciiOutsideComments(std::string_view toml);
