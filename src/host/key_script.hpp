// Key scripts: the input of the headless host (and of demos in a real window), read into a list
// of tokens.
//
// Format: characters are typed as they stand; line ends are ignored, so a script can be laid out
// readably (a "\r\n" line end counts as one line end); a line whose first character is '#' is a
// comment. Named keys are written <Enter> <Esc> <Tab> <Up> <Down> <Left> <Right> <Home> <End>
// <PgUp> <PgDn> <Del> <Bksp> <F1>..<F4> <Ctrl-C> <Ctrl-Y> <Ctrl-Home> <Ctrl-End> <Ctrl-PgUp>
// <Ctrl-PgDn> <Alt-C>; a literal '<' is <<>. <Shot:NAME> saves the screen as NAME.png and
// <Text:NAME> the 80 by 25 text screen as NAME.txt in the shots directory, NAME being made of
// letters, digits, '_', '.' and '-' only. <!Esc> is an Esc that a non-blocking poll sees;
// <!Esc:N> one that the N-th non-blocking poll from there sees (the polls before it see no key).
// <Click:X,Y>, <RClick:X,Y> and <MClick:X,Y> press the left, right and middle mouse button at
// canvas point X,Y (1..640, 1..350). A token never spans two lines. Control characters other
// than tab are refused, since they cannot be typed and are usually a damaged file.
//
// A script that does not parse is reported with its line and the program ends with status
// kKeyScriptErrorStatus (main's business; the parser only returns the error).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tivor {

inline constexpr int kKeyScriptErrorStatus = 2;

// One step of a key script.
struct ScriptToken {
  enum class Kind {
    kKey,      // a key press: key is the console key code
    kMouse,    // a mouse button press: button (1 left, 2 right, 3 middle) at canvas point x, y
    kShot,     // save the screen surface as name.png
    kText,     // save the text screen as name.txt
    kPollEsc,  // an Esc for the next non-blocking poll
  };
  Kind kind = Kind::kKey;
  int key = 0;
  int button = 0;
  int x = 0;
  int y = 0;
  std::string name;

  static ScriptToken press(int code) { return {Kind::kKey, code, 0, 0, 0, {}}; }
  static ScriptToken click(int button, int x, int y) { return {Kind::kMouse, 0, button, x, y, {}}; }
  static ScriptToken shot(std::string name) { return {Kind::kShot, 0, 0, 0, 0, std::move(name)}; }
  static ScriptToken text(std::string name) { return {Kind::kText, 0, 0, 0, 0, std::move(name)}; }
  // x holds the polls still to pass before the Esc is seen.
  static ScriptToken poll_esc(int polls = 1) { return {Kind::kPollEsc, 0, 0, polls, 0, {}}; }
  bool operator==(const ScriptToken&) const = default;
};

// Where and why a script does not parse; line is 1-based (0: the file could not be read).
struct KeyScriptError {
  int line = 0;
  std::string message;
};

// A parsed script: the tokens, or the first error (and then no tokens).
struct KeyScript {
  std::vector<ScriptToken> tokens;
  std::optional<KeyScriptError> error;
  bool ok() const { return !error.has_value(); }
};

KeyScript parse_key_script(std::string_view text);
// Reads and parses a script file.
KeyScript load_key_script(const std::string& path);

}  // namespace tivor
