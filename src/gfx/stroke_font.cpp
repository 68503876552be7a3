// The stroke font: one string of grid coordinates per glyph. Each coordinate is one character,
// "0".."9" and "A".."C" for 0..12, with "-" making the next one negative (descenders reach -2);
// consecutive coordinates form (x, y) pairs joined by lines, y pointing up, and "::" separates
// the polylines of a glyph. Glyphs are at most 12 wide and 12 high on a 16-unit character pitch.
#include <array>
#include <string_view>

#include "gfx/gfx.hpp"

namespace tivor {
namespace {

// Code page 866 positions of the Cyrillic letters.
constexpr int kCyrCapital = 128;      // 32 capitals from A
constexpr int kCyrSmallFirst = 160;   // the first 16 small letters
constexpr int kCyrSmallSecond = 224;  // the other 16 small letters
constexpr int kCyrIoCapital = 240;
constexpr int kCyrIoSmall = 241;

// The Cyrillic capitals in alphabet order: a Latin letter of the same shape where one exists,
// otherwise a glyph of their own.
constexpr std::array<std::string_view, 32> kCyrillic = {
    "A",                               // A
    "CC0C00A0C2C5A707",                // BE
    "B",                               // VE
    "CC0C00",                          // GHE
    "0-200C0C-2::103CACA0",            // DE
    "E",                               // IE
    "00660C::C066CC::606C",            // ZHE
    "0A2CACCAC8A646::A6C4C2A02002",    // ZE
    "0C00CCC0",                        // I
    "0A00CAC0::4C8C",                  // SHORT I
    "K",                               // KA
    "00334CCCC0",                      // EL
    "M",                               // EM
    "H",                               // EN
    "O",                               // O
    "000CCCC0",                        // PE
    "P",                               // ER
    "C",                               // ES
    "T",                               // TE
    "0C65::CC20",                      // U
    "6C60::1A080412B2C4C8BA1A",        // EF
    "X",                               // HA
    "0C00B0BC::B0C0C-2",               // TSE
    "0C0826C6::CCC0",                  // CHE
    "0C00C0CC::606C",                  // SHA
    "0C00B0BC::505C::B0C0C-2",         // SHCHA
    "0C3C30A0C2C5A737",                // HARD SIGN
    "0C006082856707::CCC0",            // YERU
    "0C00A0C2C5A707",                  // SOFT SIGN
    "0A2CACCAC2A02002::46C6",          // E
    "0C00::0646::60424A6CACCAC2A060",  // YU
    "C0CC2C0A0725C5::7500",            // YA
};

constexpr std::array<std::string_view, 256> make_table() {
  std::array<std::string_view, 256> t{};
  t['A'] = "00065CBCC6C0C505";
  t['B'] = "06A6C7CBAC0C00A0C1C5A6";
  t['C'] = "CAAC2C0A0220A0C2";
  t['D'] = "000C9CC9C39000";
  t['E'] = "CC0C00C0::0686";
  t['F'] = "CC0C00::0686";
  t['G'] = "CAAC2C0A0220A0C2C676";
  t['H'] = "000C::C0CC::06C6";
  t['I'] = "3C9C::6C60::3090";
  t['J'] = "4CCC::9C9270200204";
  t['K'] = "000C::CC05::47C0";
  t['L'] = "0C00C0";
  t['M'] = "000C65CCC0";
  t['N'] = "000CC0CC";
  t['O'] = "20020A2CACCAC2A020";
  t['P'] = "000CACCAC7A505";
  t['Q'] = "20020A2CACCAC2A020::74C-1";
  t['R'] = "000CACCAC7A505::55C0";
  t['S'] = "CAAC2C0A0826A6C4C2A02002";
  t['T'] = "0CCC::6C60";
  t['U'] = "0C0220A0C2CC";
  t['V'] = "0C60CC";
  t['W'] = "0C306890CC";
  t['X'] = "00CC::0CC0";
  t['Y'] = "0C66CC::6660";
  t['Z'] = "0CCC00C0";

  t['0'] = "20020A2CACCAC2A020::2AA2";
  t['1'] = "396C60::3090";
  t['2'] = "0A2CACCAC800C0";
  t['3'] = "0A2CACCAC8A646::A6C4C2A02002";
  t['4'] = "909C04C4";
  t['5'] = "CC0C07A7C5C2A02002";
  t['6'] = "CAAC2C0A0220A0C2C5A707";
  t['7'] = "0CCC40";
  t['8'] = "26080A2CACCAC8A626040220A0C2C4A6";
  t['9'] = "C525070A2CACCAC2A02002";

  t['.'] = "5070725250";
  t[','] = "62604-2";
  t[':'] = "5070725250::58787A5A58";
  t[';'] = "62604-2::58787A5A58";
  t['-'] = "26A6";
  t['+'] = "26A6::626A";
  t['='] = "24A4::28A8";
  t['('] = "8C59465380";
  t[')'] = "4C79867340";
  t['['] = "8C4C4080";
  t[']'] = "4C8C8040";
  t['/'] = "20AC";
  t['\\'] = "2CA0";
  t['|'] = "6C6-2";
  t['*'] = "626A::24A8::28A4";
  t['\''] = "6C68";
  t['"'] = "4C48::8C88";
  t['!'] = "6C64::5070725250";
  t['?'] = "0A2CACCAC86563::5070725250";
  t['_'] = "0-2C-2";
  t['<'] = "AB26A1";
  t['>'] = "2BA621";
  t['%'] = "00CC::1C4C49191C::83B3B08083";
  t['#'] = "3C30::9C90::08C8::04C4";

  for (int ch = 'a'; ch <= 'z'; ++ch) t[ch] = t[ch - 'a' + 'A'];

  for (int k = 0; k < 32; ++k) {
    const std::string_view g = kCyrillic[k];
    t[kCyrCapital + k] = g.size() == 1 ? t[static_cast<unsigned char>(g[0])] : g;
  }
  for (int k = 0; k < 16; ++k) {
    t[kCyrSmallFirst + k] = t[kCyrCapital + k];
    t[kCyrSmallSecond + k] = t[kCyrCapital + 16 + k];
  }
  t[kCyrIoCapital] = t['E'];
  t[kCyrIoSmall] = t['E'];
  return t;
}

constexpr std::array<std::string_view, 256> kGlyphs = make_table();

}  // namespace

std::string_view alfin(unsigned char ch) {
  return kGlyphs[ch];
}

}  // namespace tivor
