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

// Fills the session's upcalls that the layers below the console use: the pause and the message
// line.
void console_install(Session& s);

// ---- text output ----

// Writes the text at the cursor in the current colours, cut at column 80, on the screen and in
// the shadow; the cursor ends after it. A cursor off rows 1-25 is first reported on row 25.
void dispstr(Session& s, std::string_view txt);
// As dispstr on the screen only: the shadow keeps the old cells, so a repaint removes the text.
void disp(Session& s, std::string_view txt);
// Cursor to column 1 of the next row; on row 25 the whole screen scrolls up one row instead.
void newstr(Session& s);
// The text and a new line.
void txtcon(Session& s, std::string_view txt);
// Shows the text at the cursor (unless blank) and waits for a key as grfkey does.
void paus(Session& s, std::string_view txt);
// Keeps " WHAT written: FILE, N bytes" as the session's notice.
void note_written(Session& s, std::string_view what, const std::string& file);
// Shows the pending notice on the first row of the message area, and forgets it, and the hint on
// the last row. Menu loops call it after clearing the message area.
void show_notice(Session& s, std::string_view hint = {});
// Label and one value converted with a Fortran-style format such as "(i10)" or "(e10.3)";
// newline 1 then ends the line.
void iwrite(Session& s, std::string_view label, int value, std::string_view format, int newline);
void rwrite(Session& s, std::string_view label, float value, std::string_view format, int newline);
// Listings of n values: integers ten to a line, reals five to a line, pausing with "more?" at row
// 25, where "n" or Esc ends the listing.
void prtim(Session& s, std::string_view label, const int32_t* values, int n);
void prtrm(Session& s, std::string_view label, const float* values, int n);
// Moves the cursor, clamped to the screen.
void locate1(Session& s, int col, int row);
// Where the next text is written; may lie outside the screen.
void getcurpos(const Session& s, int& col, int& row);
// Blanks a rectangle of cells (corners in any order, clamped to the screen) and the raster under
// it in the current background; the cursor goes to its top-left cell.
void cls1(Session& s, int left, int top, int right, int bottom);
// cls1 over the whole screen, the work area, the menu strip and the message area.
void cls(Session& s);
void clswnd1(Session& s);
void clswnd2(Session& s);
void clswnd3(Session& s);
// Moves the rows of a rectangle of cells n rows down (n < 0: up) inside it; rows left empty are
// blanks on background colour. The raster does not move: picture cells are redrawn from it.
void scroll(Session& s, int left, int top, int right, int bottom, int n, int colour);
// Redraws the whole screen from the raster and the shadow.
void repaint(Session& s);

// ---- Fortran-style formats: "(i7)", "(e10.3)", "(f8.2)", "(i4)"; a value too wide for the
// field prints as asterisks ----

// The value as the format writes it; a text that is no format, or has no data descriptor, gives
// the value in free form after one blank.
std::string fmt_int(int value, std::string_view format);
std::string fmt_real(float value, std::string_view format);

// ---- input ----

// The key waiting, without waiting for one; 0 when none.
int inkey(Session& s);
// Polls the key and the mouse without waiting: button 0 when none is held, (x, y) in canvas
// points. Tab also repaints the screen.
void keymou(Session& s, int& key, int& button, int& x, int& y);
// Waits, with the mouse pointer shown, for a key or a button press; Ctrl-C stops the program,
// Tab also repaints the screen.
void key_m(Session& s, int& key, int& button, int& x, int& y);
// Waits for a key or a mouse button with a blinking cursor; the right button gives Esc, Ctrl-C
// stops the program.
void grfkey(Session& s, int& key);
// Closes the window and ends the program with status 0.
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

// Writes a rectangle of cells (clamped to the screen) and the raster points under it to the
// file, replacing it whole.
void savewin(Session& s, int left, int top, int right, int bottom, std::string_view file);
// Puts back the rectangle the file describes, whatever rectangle is passed; a missing or damaged
// file changes nothing.
void restwin(Session& s, int left, int top, int right, int bottom, std::string_view file);
// Pixel block alone: mode 0 save, 1 restore, 2 restore and delete the file.
void winfile(Session& s, int ix1, int iy1, int ix2, int iy2, int mode, std::string_view file);
// Keeps the work area (raster and cells) in the session's saved page, and puts it back.
void savewnd1(Session& s);
void restwnd1(Session& s);
// Draws the black shadow of a box one cell right of and below it, on the screen only; the cursor
// and colours are kept.
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
// Items stand in ncol columns of width characters from column x, below the title on row y; F1
// shows the item's topic of helpfile. hifg < 0 only draws the menu. With n < 0, Left and Right
// leave it with -1 and -100 - current item.
void wmenu(Session& s, std::string_view title, int& selection, std::string_view items, int n,
           std::string_view helpfile, int x, int y, int hifg, int hibg, int fg, int bg, int ncol,
           int width);
// A menu of file names, shown as they are (underscores too): each is cut to leave a blank before
// the next column, a cut name ending in "~".
void wmenu_names(Session& s, std::string_view title, int& selection,
                 const std::vector<std::string>& names, std::string_view helpfile, int x, int y,
                 int hifg, int hibg, int fg, int bg, int ncol, int width);
// The name as it fits a column of the width with a blank after it, ending in "~" when cut.
std::string fit_name(std::string_view name, int width);
// The same over an array of item texts.
void wmenuh(Session& s, std::string_view title, int& selection,
            const std::vector<std::string>& items, int n, std::string_view helpfile, int x, int y,
            int hifg, int hibg, int fg, int bg, int ncol, int width);
// Word k (from 1) of the blank-separated items, underscores shown as blanks; empty when there is
// no such word.
std::string getmenu(int k, std::string_view items);
// Writes txt cut or blank-padded to width at column x, row y in the given colours; the caller's
// colours are kept.
void show_mnu(Session& s, int x, int y, std::string_view txt, int fg, int bg, int width);
// One command line typed on row 1 and handed to the host; row 1 and the cursor are put back.
void command1(Session& s);

// ---- help viewer ----

// Shows a topic of the help file in a pop-up box until a key is pressed; a missing file shows
// nothing, a missing topic says so.
void dathlp(Session& s, std::string_view helpfile, std::string_view topic);
// The lines of a topic in a help file (at most 1000 file lines are read; collecting ends at the
// next topic or after 21 lines); empty when the topic is not there.
std::vector<std::string> help_topic_lines(std::istream& in, std::string_view topic);

// ---- error flag with a message, progress and interrupt ----

// Shows the text (when not blank) and waits for a key; sets the flag; returns 1 (error exit).
int flag_on(Session& s, std::string_view txt);
// The steps still to do, n, on row 24 (nothing when n <= 0); the cursor is kept.
void a_wait(Session& s, int n);
// True, with "solution interrupted" shown and the flag set, when the waiting key is Esc; any
// other waiting key is taken and dropped.
bool a_interrupt(Session& s);

}  // namespace tivor
