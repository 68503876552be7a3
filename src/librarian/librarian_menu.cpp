// The librarian menu: define a library (an existing one or a new one), play any library as a
// movie, list, show, save and delete frames of the current one.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <vector>

#include "console/console.hpp"
#include "librarian/internal.hpp"
#include "librarian/librarian.hpp"
#include "reader/reader.hpp"

namespace tivor {
namespace {

using namespace librarian_detail;
namespace fs = std::filesystem;

constexpr std::string_view kDirectory = "lbr";
constexpr std::string_view kItems =
    "define_library show_movie contents show_pictures save_picture delete_picture";

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
  wmenuh(s, " choose movie:  ", choice, names, static_cast<int>(names.size()), kHelpFile, 2, 3,
         kHighFg, kHighBg, kFg, kBg, 6, 10);
  if (choice == 0) return;
  Ckadr& k = s.frame.kadr;
  char current[sizeof k.libname];
  std::copy_n(k.libname, sizeof k.libname, current);
  set_field(k.libname,
            std::string(kDirectory) + "/" + names[static_cast<size_t>(choice - 1)] + ".lbr");
  apfile(s, 0);
  std::copy_n(current, sizeof k.libname, k.libname);
}

}  // namespace

void apict1(Session& s, float t) {
  int choice = 1;
  for (;;) {
    restwnd1(s);
    clswnd2(s);
    clswnd3(s);
    wmenu(s, " - librarian -", choice, kItems, 6, kHelpFile, 64, 1, kHighFg, kHighBg, kFg, kBg, 1,
          15);
    if (choice == 0) return;
    // Until a library is chosen, everything but the movie defines one first.
    const int action = s.frame.kadr.chosen != kLibraryChosen && choice != 2 ? 1 : choice;
    clswnd3(s);
    switch (action) {
      case 1:
        define_library(s);
        break;
      case 2:
        show_movie(s);
        break;
      case 3:
        aplpds(s, 1);
        break;
      case 4:
        apfile(s, 1);
        break;
      case 5:
        apsave(s, t, " ", 0);
        break;
      case 6:
        apdele(s);
        break;
      default:
        break;
    }
  }
}

}  // namespace tivor
