// The librarian menu: define a library (an existing one or a new one), play any library as a
// movie, list, show, save and delete frames of the current one.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <vector>

#include "console/console.hpp"
#include "console/menu_table.hpp"
#include "librarian/internal.hpp"
#include "librarian/librarian.hpp"
#include "reader/reader.hpp"

namespace tivor {
namespace {

using namespace librarian_detail;
namespace fs = std::filesystem;

constexpr std::string_view kDirectory = "lbr";

// Names of the library files in lbr/ without their extension, sorted, at most 100.
std::vector<std::string> library_names() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(kDirectory, ec)) {
    if (!entry.is_regular_file(ec) || entry.path().extension() != ".lbr") continue;
    names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  if (names.size() > kMaxFrames) names.resize(kMaxFrames);
  return names;
}

// The name with the extension "lbr" added when it has none.
std::string with_extension(const std::string& name) {
  return fs::path(name).has_extension() ? name : name + ".lbr";
}

// Lists the library files in the message area, several to a line.
void list_libraries(Session& s) {
  std::string line;
  for (const std::string& name : library_names()) {
    const std::string item = name + ".lbr";
    if (!line.empty() && line.size() + item.size() + 2 > kCols - 1) {
      txtcon(s, line);
      line.clear();
    }
    line += (line.empty() ? "" : "  ") + item;
  }
  if (!line.empty()) txtcon(s, line);
}

void define_library(Session& s) {
  Ckadr& k = s.frame.kadr;
  clswnd3(s);
  locate1(s, 1, 18);
  list_libraries(s);
  std::string name;
  int len = 0;
  readname(s, name, 64, len, " enter name for picture library:");
  if (len == 0) return;
  const std::string file = std::string(kDirectory) + "/" + with_extension(name);
  std::error_code ec;
  if (!fs::exists(file, ec)) {
    txtcon(s, "");
    dispstr(s, file + " : " + "is it a new library? (y/n):");
    int key = 0;
    grfkey(s, key);
    if (key != 'y' && key != 'Y') {
      txtcon(s, "");
      paus(s, file + " library not found");
      return;
    }
    fs::create_directories(kDirectory, ec);
  }
  set_field(k.libname, file);
  k.changed = 0;
  aplpds(s, 0);
  k.chosen = kLibraryChosen;
}

void show_movie(Session& s) {
  const std::vector<std::string> names = library_names();
  if (names.empty()) {
    clswnd3(s);
    paus(s, "picture libraries not found..");
    return;
  }
  int choice = 1;
  wmenu_names(s, " choose movie:  ", choice, names, kHelpFile, 2, 3, kHighFg, kHighBg, kFg, kBg, 6,
              10);
  if (choice == 0) return;
  Ckadr& k = s.frame.kadr;
  char current[sizeof k.libname];
  std::copy_n(k.libname, sizeof k.libname, current);
  set_field(k.libname,
            std::string(kDirectory) + "/" + names[static_cast<size_t>(choice - 1)] + ".lbr");
  apfile(s, 0);
  std::copy_n(current, sizeof k.libname, k.libname);
}

struct Librarian {
  Session& s;
  float t;  // the time saved pictures are marked with
};

// Until a library is chosen, the items that work on the current library define one first.
bool library_defined(Librarian& l) {
  if (l.s.frame.kadr.chosen == kLibraryChosen) return true;
  define_library(l.s);
  return false;
}

constexpr MenuItem<Librarian> kItems[] = {
    {"define_library", [](Librarian& l) { define_library(l.s); }},
    {"show_movie", [](Librarian& l) { show_movie(l.s); }},
    {"contents",
     [](Librarian& l) {
       if (library_defined(l)) aplpds(l.s, 1);
     }},
    {"show_pictures",
     [](Librarian& l) {
       if (library_defined(l)) apfile(l.s, 1);
     }},
    {"save_picture",
     [](Librarian& l) {
       if (library_defined(l)) apsave(l.s, l.t, " ", 0);
     }},
    {"delete_picture",
     [](Librarian& l) {
       if (library_defined(l)) apdele(l.s);
     }},
};

}  // namespace

void apict1(Session& s, float t) {
  Librarian menu{s, t};
  int choice = 1;
  for (;;) {
    restwnd1(s);
    clswnd2(s);
    clswnd3(s);
    table_menu(s, {.title = " - librarian -", .helpfile = kHelpFile}, kItems, choice);
    if (choice == 0) return;
    clswnd3(s);
    call_item(kItems, choice, menu);
  }
}

}  // namespace tivor
