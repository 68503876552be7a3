// The console: the 80 by 25 text screen drawn into the graphics window, messages and listings,
// keyboard and mouse input, saving what lies under pop-ups, the menus and the help viewer.
// Rows and columns are 1-based. The screen has three areas: the work area (columns 1-61, rows
// 1-17), the menu strip (columns 62-80, rows 1-25) and the message area (columns 1-80, rows
// 18-25).
#pragma once

#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "core/session.hpp"

namespace tivor {

// Fills the session's console upcalls (the pause used by the graphics library).
void console_install(Session& s);

// ---- text output ----

void dispstr(Session& s, std::string_view txt);
void disp(Session& s, std::string_view txt);
void newstr(Session& s);
void txtcon(Session& s, std::string_view txt);
void paus(Session& s, std::string_view txt);
// Label and one value converted with a Fortran-style format such as "(i10)" or "(e10.3)".
void iwrite(Session& s, std::string_view label, int value, std::string_view format, int newline);
void rwrite(Session& s, std::string_view label, float value, std::string_view format, int newline);
// Listings: integers ten to a line, reals five to a line, pausing with "more?" at row 25.
void prtim(Session& s, std::string_view label, const int32_t* values, int n);
void prtrm(Session& s, std::string_view label, const float* values, int n);
void locate1(Session& s, int col, int row);
void getcurpos(const Session& s, int& col, int& row);
void cls1(Session& s, int left, int top, int right, int bottom);
void cls(Session& s);
void clswnd1(Session& s);
void clswnd2(Session& s);
void clswnd3(Session& s);
void scroll(Session& s, int left, int top, int right, int bottom, int n, int colour);
// Redraws the whole screen from the raster and the shadow.
void repaint(Session& s);

// ---- Fortran-style formats: "(i7)", "(e10.3)", "(f8.2)", "(i4)"; a value too wide for the
// field prints as asterisks ----

std::string fmt_int(int value, std::string_view format);
std::string fmt_real(float value, std::string_view format);

// ---- input ----

int inkey(Session& s);
void keymou(Session& s, int& key, int& button, int& x, int& y);
void key_m(Session& s, int& key, int& button, int& x, int& y);
// Waits for a key or a mouse button with a blinking cursor; the right button gives Esc, Ctrl-C
// stops the program.
void grfkey(Session& s, int& key);
[[noreturn]] void stopper(Session& s);
// The keyboard line editor at the cursor: edits one line of at most 80 characters (Left, Right,
// Home/PgUp, End/PgDn, Del, Backspace, printable codes 31..241 inserted, Up/Down through the
// 10-line history). Returns 13 when Enter finished the line (the line then enters the history),
// otherwise the code of the key that ended the input. Ctrl-C clears the screen and stops the
// program with " program interrupted by user".
int edit_line(Session& s, std::string& line);

// ---- lines of text files ----

// Where the text line that starts at byte pos of a file ends: its text is bytes[pos, text_end)
// and the next line starts at next. A line ends at a carriage return, which takes a line feed
// right after it along, or at a lone line feed; the last line of a file may have no end. The
// editor and the keyword reader both split files by this rule.
struct LineSpan {
  size_t text_end = 0;
  size_t next = 0;
};
LineSpan line_span(std::string_view bytes, size_t pos);

// ---- saving what lies under a pop-up ----

void savewin(Session& s, int left, int top, int right, int bottom, std::string_view file);
void restwin(Session& s, int left, int top, int right, int bottom, std::string_view file);
// Pixel block alone: mode 0 save, 1 restore, 2 restore and delete the file.
void winfile(Session& s, int ix1, int iy1, int ix2, int iy2, int mode, std::string_view file);
void savewnd1(Session& s);
void restwnd1(Session& s);
void shadow(Session& s, int left, int top, int right, int bottom);

// Holds the text cursor and colours found at construction and puts them back when it goes out
// of scope, so that a pop-up leaves the caller writing where and how it was.
class CursorColoursGuard {
 public:
  explicit CursorColoursGuard(Session& s) : s_(s), saved_(s.colors) {}
  ~CursorColoursGuard() {
    s_.colors.fg = saved_.fg;
    s_.colors.bg = saved_.bg;
    s_.colors.attr = saved_.attr;
    s_.colors.col = saved_.col;
    s_.colors.row = saved_.row;
  }
  CursorColoursGuard(const CursorColoursGuard&) = delete;
  CursorColoursGuard& operator=(const CursorColoursGuard&) = delete;

 private:
  Session& s_;
  Colors saved_;
};

// ---- menus ----

// Grid menu over the blank-separated words of one string; selection in/out (0 = abandoned).
void wmenu(Session& s, std::string_view title, int& selection, std::string_view items, int n,
           std::string_view helpfile, int x, int y, int hifg, int hibg, int fg, int bg, int ncol,
           int width);
// The same over an array of item texts.
void wmenuh(Session& s, std::string_view title, int& selection,
            const std::vector<std::string>& items, int n, std::string_view helpfile, int x, int y,
            int hifg, int hibg, int fg, int bg, int ncol, int width);
std::string getmenu(int k, std::string_view items);
void show_mnu(Session& s, int x, int y, std::string_view txt, int fg, int bg, int width);
void command1(Session& s);

// ---- help viewer ----

void dathlp(Session& s, std::string_view helpfile, std::string_view topic);
// The lines of a topic in a help file (at most 1000 file lines are read; collecting ends at the
// next topic or after 21 lines); empty when the topic is not there.
std::vector<std::string> help_topic_lines(std::istream& in, std::string_view topic);

// ---- error flag with a message, progress and interrupt ----

// Shows the text (when not blank) and waits for a key; sets the flag; returns 1 (error exit).
int flag_on(Session& s, std::string_view txt);
void a_wait(Session& s, int n);
bool a_interrupt(Session& s);

}  // namespace tivor
