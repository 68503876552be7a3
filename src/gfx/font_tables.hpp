// The bitmap font tables: 256 glyphs each, one string of hexadecimal digits per glyph, two digits
// per row from the top row down (16 digits for the 8-row table, 28 for the 14-row table).
#pragma once

namespace tivor {

extern const char* const kFont8Hex[256];
extern const char* const kFont14Hex[256];

}  // namespace tivor
