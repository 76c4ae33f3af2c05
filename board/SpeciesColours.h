#pragma once

// The colour each species is shown in, as 0xRRGGBB: the sprite tiles, the
// charts, the rule file's states and the icon all draw with these.
constexpr unsigned firstSpeciesRgb = 0x2f80ed;
constexpr unsigned secondSpeciesRgb = 0xf2991a;
