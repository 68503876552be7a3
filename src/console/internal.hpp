// Helpers shared by the console's files: colours, redrawing cells from the shadow and the raster,
// the blinking-cursor wait and the help pop-up box. Not part of the console's public interface.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/session.hpp"

namespace tivor::console_detail {

// The foreground actually drawn: equal colours would hide the text, so it is lowered by one
// (0 wraps to 15).
int visible_fg(int fg, int bg);
// Sets the current text colours and attribute.
void set_colours(Session& s, int fg, int bg);

// Puts the corners of a rectangle of text cells in order and clamps them to the screen.
void clamp_cells(int& left, int& top, int& right, int& bottom);

// Copies raster points x1..x2, y1..y2 (1-based, clamped to the canvas) to the screen in runs of
// equal colour.
void draw_raster(Session& s, int x1, int y1, int x2, int y2);
// Redraws a rectangle of text cells: picture cells (attribute 17) from the raster, all others
// from the shadow arrays.
void redraw_cells(Session& s, int col1, int row1, int col2, int row2);

// Waits for a key or a mouse button with a blinking underline at the text cursor; the screen
// under the cursor is put back afterwards. No key is interpreted.
InputEvent wait_blink(Session& s);

// Shows lines of text in the centred pop-up box of the help viewer until a key is pressed, then
// restores the screen under it.
void show_help_box(Session& s, const std::vector<std::string>& lines);

// The text cut or padded with blanks to exactly width characters.
std::string fit(std::string_view txt, int width);

}  // namespace tivor::console_detail
