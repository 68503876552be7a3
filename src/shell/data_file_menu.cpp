// The data-file menu of the main menu's initial_data: edit the current initial data file with
// the built-in or the host's editor, choose another one, copy it, delete a file.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "console/console.hpp"
#include "console/menu_table.hpp"
#include "console/text_editor.hpp"
#include "core/names.hpp"
#include "gfx/gfx.hpp"
#include "reader/reader.hpp"
#include "shell/shell.hpp"

namespace tivor {
namespace {

namespace fs = std::filesystem;

constexpr int kHighFg = 0, kHighBg = 3, kFg = 14, kBg = 1;
constexpr std::string_view kHelpFile = "./hlp/auto.hlp";

bool file_exists(const std::string& name) {
  std::error_code ec;
  return !name.empty() && fs::is_regular_file(name, ec);
}

// The class code in lower case without trailing blanks ("dif").
std::string class_code(const Session& s) {
  std::string code = rtrim(std::string_view(s.cls.clcode[s.cls.iclass - 1], 4));
  std::transform(code.begin(), code.end(), code.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return code;
}

// Opens the host's own editor on the file, without a shell.
void standard_editor(Session& s, const std::string& file) {
  std::string editor = "xdg-open";
  for (const char* var : {"VISUAL", "EDITOR"}) {
    const char* value = std::getenv(var);
    if (value != nullptr && *value != '\0') {
      editor = value;
      break;
    }
  }
  if (s.host->run_program({editor, file}) != 0) paus(s, " can not start editor " + editor);
}

// The class's data files as they are on disk, sorted: the menu shows the base names, and the
// file chosen is opened under its own name (letters as they are, extension as it is).
struct DataFiles {
  std::vector<std::string> names;  // base names
  std::vector<std::string> files;  // file names, extension included
};

DataFiles data_files(const std::string& code) {
  std::vector<std::string> found;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(code, ec)) {
    if (found.size() >= 100) break;
    std::string ext = entry.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (!entry.is_regular_file(ec) || ext != "." + code) continue;
    found.push_back(entry.path().filename().string());
  }
  std::sort(found.begin(), found.end());
  DataFiles out;
  for (const std::string& file : found) {
    out.names.push_back(fs::path(file).stem().string());
    out.files.push_back(file);
  }
  return out;
}

// Returns true when a file was chosen (it becomes the data file).
bool open_data(Session& s, const std::string& code) {
  const DataFiles found = data_files(code);
  if (found.names.empty()) {
    paus(s, " no files have extension " + code);
    return false;
  }
  int choice = 1;
  wmenu_names(s, "choose initial data file:", choice, found.names, kHelpFile, 2, 3, kHighFg,
              kHighBg, kFg, kBg, 6, 10);
  if (choice == 0) return false;
  set_field(s.cls.datfile, "./" + code + "/" + found.files[choice - 1]);
  return true;
}

struct Editing {
  Session& s;
  const std::string& file;
};

constexpr MenuItem<Editing> kEditors[] = {
    {"inbuilt",
     [](Editing& e) {
       // The editor's buffer is the free tail of the real pool: 20 words make one line.
       const int maxlines = std::max(1, (e.s.csize.na - e.s.csize.maxa) / 20);
       std::vector<std::string> lines(1, std::string(80, ' '));
       int nlines = 1;
       beg(e.s, lines, maxlines, nlines, 1, e.file, "./hlp/keywords.hlp");
     }},
    {"standard", [](Editing& e) { standard_editor(e.s, e.file); }},
};

void edit(Session& s, const std::string& code) {
  std::string datfile = field_str(s.cls.datfile);
  if (!file_exists(datfile)) {
    txtcon(s, " initial data file " + datfile + " is not found and data file is indefinite,");
    paus(s, " use command \"open data\"");
    if (!open_data(s, code)) return;
    datfile = field_str(s.cls.datfile);
  }
  clswnd3(s);
  Editing e{s, datfile};
  int choice = 1;
  table_menu(s, {.title = "choose editor", .helpfile = kHelpFile, .x = 1, .y = 18, .ncol = 2},
             kEditors, choice);
  call_item(kEditors, choice, e);
}

void copy_data(Session& s, const std::string& code) {
  std::string name;
  int len = 0;
  readname(s, name, 80, len, " enter name for data file:");
  if (len == 0) return;
  const std::string target = "./" + code + "/" + namext(name, code);
  const std::string datfile = field_str(s.cls.datfile);
  if (target == datfile) return;
  if (!file_exists(datfile)) {
    paus(s, "can not open file " + datfile);
    return;
  }
  std::error_code ec;
  fs::copy_file(datfile, target, fs::copy_options::overwrite_existing, ec);
  if (ec || !file_exists(target)) {
    paus(s, "can not open file " + target);
    return;
  }
  set_field(s.cls.datfile, target);
}

void delete_data(Session& s, const std::string& code) {
  std::string name;
  int len = 0;
  readname(s, name, 80, len, " enter name to delete:");
  if (len == 0) return;
  const std::string file = namext(name, code);
  // A bare name is looked for in the working directory first, then in the class's
  // sub-directory, where the data files live.
  const std::string in_class_dir = "./" + code + "/" + file;
  const std::string victim = file_exists(file) ? file : in_class_dir;
  std::error_code ec;
  if (!file_exists(victim) || !fs::remove(victim, ec)) paus(s, "can not open file " + file);
}

struct DataMenu {
  Session& s;
  std::string code;  // the class code, the data files' directory and extension
};

constexpr MenuItem<DataMenu> kItems[] = {
    {"edit", [](DataMenu& m) { edit(m.s, m.code); }},
    {"open_data",
     [](DataMenu& m) {
       if (open_data(m.s, m.code)) edit(m.s, m.code);
     }},
    {"copy_data", [](DataMenu& m) { copy_data(m.s, m.code); }},
    {"delete_data", [](DataMenu& m) { delete_data(m.s, m.code); }},
};

}  // namespace

void aedit(Session& s) {
  if (s.cls.iclass < 1 || s.cls.iclass > 15) {
    paus(s, " class is indefinite");
    return;
  }
  DataMenu menu{s, class_code(s)};
  int choice = 1;
  for (;;) {
    restwnd1(s);
    clswnd2(s);
    clswnd3(s);
    brdcolor(s, 3);
    table_menu(s, {.title = "input data", .helpfile = kHelpFile}, kItems, choice);
    clswnd3(s);
    if (!call_item(kItems, choice, menu)) return;
  }
}

}  // namespace tivor
