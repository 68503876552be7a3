// The keyword reader: every value the system reads, from an initial data file (keyword, "=" and
// values) or from the keyboard (values only), goes through these routines. Routines that may
// fail return 1 (error exit, the caller returns at once) or 0.
#pragma once

#include <string>
#include <string_view>

#include "core/session.hpp"

namespace tivor {

inline constexpr int kKeyboardUnit = 5;  // the unit number that means the keyboard

// Switches the input: "keyboard", or a data file (a missing file gives the warning, a key and
// the error exit). unit receives the file's handle.
[[nodiscard]] int readfrom(Session& s, int& unit, std::string_view name);
// Switches the input to the keyboard, which cannot fail.
void read_keyboard(Session& s);
// Sets how the next requests read: kontr > 0 expects keywords, endmark's first character ends a
// variable-length list, unit is the file's handle, kterm 1 reads the keyboard. The current line is
// dropped.
void readin(Session& s, int kontr, std::string_view endmark, int unit, int kterm);
// Continues with the data file's next line after the keyboard was used in between.
void rstread(Session& s);
// Reads the next line into line (80 characters). ierr: 0 a line, negative end of file, >= 2 the
// special key that ended keyboard input.
void txtl(Session& s, std::string& line, int& ierr, int unit);
// The raw line input: ierr 13 a finished line, -1 end of file, 0 a special key (its code in key).
void readstr(Session& s, std::string& line, int& ierr, int kterm, int& key);
// n integers or reals. iopt: 0 required, 1 optional on the current line, > 1 optional on a later
// line, < 0 a list of variable length ended by "&" (n receives the count; capacity is the size
// of the caller's array, a longer list is an error).
[[nodiscard]] int readi(Session& s, std::string_view prompt, int32_t* values, int& n,
                        std::string_view keyword, int iopt, int capacity = -1);
[[nodiscard]] int readr(Session& s, std::string_view prompt, float* values, int& n,
                        std::string_view keyword, int iopt, int capacity = -1);
// The next blank-delimited word of at most maxlen characters; len 0 when nothing was read.
void readname(Session& s, std::string& name, int maxlen, int& len, std::string_view prompt);
// One required keyword read of a single integer, a single real or n reals.
[[nodiscard]] int read_int(Session& s, std::string_view prompt, std::string_view key, int32_t& v);
[[nodiscard]] int read_real(Session& s, std::string_view prompt, std::string_view key, float& v);
[[nodiscard]] int read_reals(Session& s, std::string_view prompt, std::string_view key, float* v,
                             int n);
// Entries that hold a word. next_entry_named: true when the next entry is key="name" (at the
// keyboard: when the answer typed starts with a double quote); nothing is read.
bool next_entry_named(Session& s, std::string_view key);
// key="name" followed by n reals (without a keyword of their own); the name without its quotes.
[[nodiscard]] int read_named(Session& s, std::string_view prompt, std::string_view key,
                             std::string& name, float* values, int n);
// key=word: the word runs to the next blank (a file name, say).
[[nodiscard]] int read_word(Session& s, std::string_view prompt, std::string_view key,
                            std::string& word);
// The 1-based first and last columns of the first word of txt; both 0 when txt is blank.
void rdword(std::string_view txt, int& first, int& last);
// The integer that txt holds between blanks, with an optional sign: ierr 0; anything else, or a
// value beyond 32 bits: ierr 1 and value untouched.
void gtint(std::string_view txt, int& value, int& ierr);

}  // namespace tivor
