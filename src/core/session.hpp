// The session: every record, the two workspace pools, the canvas and text screen, and the host.
// Routines receive it by reference; tests build as many independent sessions as they like.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "core/records.hpp"
#include "host/host.hpp"

namespace tivor {

// The pool sizes a session has unless the program is started with others.
inline constexpr int32_t kPoolReals = 4000000;
inline constexpr int32_t kPoolInts = 1000000;
inline constexpr float kEpsilon = 1.0e-18f;

// The allocator of the pools. Their words come from calloc, whose fresh pages the system hands
// out zeroed and commits only when they are first touched, and making an element writes
// nothing: a pool sized for a million elements costs nothing until the task uses it, where
// filling it with zeros touched all of it (a second or more for 1.5 GB at the start).
template <class T>
struct ZeroedAllocator {
  static_assert(std::is_trivial_v<T>, "only plain words skip their construction");
  using value_type = T;
  ZeroedAllocator() = default;
  template <class U>
  explicit ZeroedAllocator(const ZeroedAllocator<U>&) {}
  T* allocate(size_t n) {
    void* p = std::calloc(n, sizeof(T));
    if (p == nullptr) throw std::bad_alloc();
    return static_cast<T*>(p);
  }
  void deallocate(T* p, size_t) { std::free(p); }
  // Value-initialised elements keep calloc's zeros (so a pool must never shrink and grow again:
  // the pools keep their size for the life of the session).
  template <class U>
  void construct(U*) noexcept {}
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  bool operator==(const ZeroedAllocator&) const = default;
};
template <class T>
using PoolVector = std::vector<T, ZeroedAllocator<T>>;

inline constexpr int kCanvasW = 640;
inline constexpr int kCanvasH = 350;
inline constexpr int kCols = 80;
inline constexpr int kRows = 25;

// The frame store: the librarian's state, the raster copy of the canvas (one colour index per
// point, column-fastest: point (x, y) is element (x - 1) + (y - 1) * 640) and a second array for
// saved pages.
struct FrameStore {
  Ckadr kadr{};
  std::vector<uint8_t> raster = std::vector<uint8_t>(kCanvasW * kCanvasH, 0);
  std::vector<uint8_t> saved = std::vector<uint8_t>(kCanvasW * kCanvasH, 0);
  uint8_t& at(int x, int y) { return raster[(x - 1) + (y - 1) * kCanvasW]; }
  uint8_t& saved_at(int x, int y) { return saved[(x - 1) + (y - 1) * kCanvasW]; }
};

// The text screen shadow: 80 by 25 characters and their attributes (background * 16 +
// foreground), rows and columns 1-based through the accessors; and the saved cells of PAGE01.
struct TextScreen {
  std::array<uint8_t, kCols * kRows> ch{};
  std::array<uint16_t, kCols * kRows> attr{};
  std::array<uint8_t, kCols * kRows> saved_ch{};
  std::array<uint16_t, kCols * kRows> saved_attr{};
  uint8_t& char_at(int col, int row) { return ch[(row - 1) * kCols + (col - 1)]; }
  uint16_t& attr_at(int col, int row) { return attr[(row - 1) * kCols + (col - 1)]; }
};

// The bitmap font store: 256 glyphs of 8 points by 8 or 14 rows, one byte a row.
struct FontStore {
  int height = 0;      // 8 or 14 once loaded
  int32_t loaded = 0;  // 99999999 once the table matching the height is loaded
  std::array<uint8_t, 256 * 14> rows{};
};

// The last 10 distinct non-blank lines typed at the keyboard, the newest last.
struct KeyHistory {
  std::array<std::string, 10> lines;
  int count = 0;
};

// Where the keyword reader takes its input from: the data file's handle (0 when the keyboard)
// and the file itself.
struct Astime {
  int32_t handle = 0;
  std::vector<uint8_t> bytes;  // the open data file, read whole
  std::string name;            // the data file's name as opened ("keyboard" for the keyboard)
  size_t pos = 0;              // byte position of the next line
  // Column of the first character past column 80 on the current line, 0 when the line fits.
  int32_t long_line_col = 0;
};

// Calls from lower layers up into higher ones (the results viewer, the film, the trace hook),
// filled by app/ at start-up. An empty entry does nothing.
struct Upcalls {
  std::function<void()> arez;  // open the results viewer of the current class
  // Shows a one-line message and waits for a key (the console's PAUS); used by the graphics
  // library and the pools, which sit below the console.
  std::function<void(std::string_view)> pause;
  // Prints one line in the message area (the console's TXTCON).
  std::function<void(std::string_view)> print_line;
  // Told the row of a text line the console has finished showing: at a new line, and when a
  // message waits for its key (waits true). Batch runs copy those lines to standard output.
  std::function<void(int row, bool waits)> line_shown;
  // The trace hook of every computational routine (installed by the debugger): returns 1 when
  // the routine must return at once.
  std::function<int(std::string_view)> rtmr;
  // The film entry of the classes' post-processing: redraws the current picture after a step
  // and keeps it as a frame when the film runs.
  std::function<void()> afilm;
  // The class's own results (its manager's task -1), offered by the results menu's "user".
  std::function<void()> termuser;
  // Told before a picture, a history point or an export reads result function k (from 1): a
  // class that leaves some of its functions unmade during a run makes k's values now.
  std::function<void(int k)> function_read;
};

struct Session;

// Data a class derives from its pool arrays and keeps outside the pools between steps (a stored
// matrix, say). The class alone knows the type behind it; a copy of a session starts without it.
struct ClassCache {
  virtual ~ClassCache() = default;
};
class ClassCacheSlot {
 public:
  ClassCacheSlot() = default;
  ClassCacheSlot(const ClassCacheSlot&) {}
  ClassCacheSlot& operator=(const ClassCacheSlot&) {
    held.reset();
    return *this;
  }
  std::unique_ptr<ClassCache> held;
};

// The class's cache of type T, a new one when the slot holds none or another class's.
template <class T>
T& class_cache_of(ClassCacheSlot& slot) {
  auto* held = dynamic_cast<T*>(slot.held.get());
  if (held == nullptr) {
    slot.held = std::make_unique<T>();
    held = static_cast<T*>(slot.held.get());
  }
  return *held;
}

// The number of threads of the numerical loops: TIVOR_THREADS when it holds a count from 1 to
// 256, otherwise the machine's cores.
int32_t default_thread_count();

// The preconditioner of the implicit solves: chosen by the task's size and the free memory, or
// one of the two whatever the task.
enum class SolverChoice : int32_t { automatic, jacobi, multigrid };
// The choice TIVOR_SOLVER names (auto, jacobi, multigrid); automatic when it names none. name
// false: not a name.
bool solver_choice_of(std::string_view name, SolverChoice& out);
SolverChoice default_solver_choice();

// A class manager: task -1 opens the class's own result functions, 0 reports the methods (count in
// cls.nmethod, titles in cls.mtname), k >= 1 runs method k.
using ClassManager = std::function<void(Session&, int itask)>;

// The class managers built into this program, by 4-character class code (filled at start-up).
struct ManagerEntry {
  std::string code;
  ClassManager manager;
  // True when the parameter record and the class's arrays of a state just read from a buffer
  // lie in the pools as the class lays them out (empty: the class has nothing to check).
  std::function<bool(const Session&)> state_ok;
};

struct Session {
  // The pools hold na real and nk integer words (positive; the sizes are fixed for the life of
  // the session and recorded in csize).
  explicit Session(Host& h, int32_t na = kPoolReals, int32_t nk = kPoolInts)
      : host(&h),
        csize{na, nk, 0, 0},
        a(static_cast<size_t>(std::max(na, 0)) + 1),
        km(static_cast<size_t>(std::max(nk, 0)) + 1) {}

  Host* host;

  Csize csize;
  PoolVector<float> a;     // a[1..NA], zero at the start
  PoolVector<int32_t> km;  // km[1..NK], zero at the start

  ClassRecord cls{};
  Cht cht{};
  int32_t cflag = 0;
  Cmesh cmesh{};
  Tmesh tmesh{};
  Cparm cparm{};
  Cterm cterm{};
  Cterm3 cterm3{};
  Ctime1 ctime1{};
  Cmemo cmemo{};
  Crd crd{};
  Astime astime;
  KeyHistory history;
  char remark[72] = {};           // a remark typed at a command prompt
  int32_t checker_menu_mode = 0;  // the memory checker's input: 0 command line, 1 menu
  int32_t combine_pair[2] = {};   // the last pair typed at the history menu's combine
  // What the last action wrote or declined to write, shown under the next menu (whose loop
  // clears the message area) and then forgotten.
  std::string notice;

  Grf grf{};
  Cgout cgout{};
  Colors colors{};
  Cres cres{};
  FrameStore frame;
  TextScreen text;
  FontStore font;

  Upcalls up;
  std::vector<ManagerEntry> managers;

  // Threads of the numerical loops; their results do not depend on it.
  int32_t threads = default_thread_count();
  // The preconditioner of the implicit solves.
  SolverChoice solver = default_solver_choice();
  // Changes whenever words of the pools may have been changed by anything but the steps of the
  // prepared task: a state buffer read, values changed in the memory checker. A class cache
  // built from the pools is stale once this differs from the value it was built at.
  uint64_t pool_stamp = 0;
  // State buffers read into this session, and the step count of the last one: a time series
  // learns from them where a resumed run leaves an earlier run's later frames behind.
  struct StateReads {
    uint64_t count = 0;
    int32_t step = 0;
  } state_reads;
  ClassCacheSlot class_cache;
  // The history recorder's point locator, kept while the mesh stays the same.
  ClassCacheSlot locator_cache;
  // The smoothing filters' neighbour lists and scratch, kept while the mesh stays the same.
  ClassCacheSlot smoothing_cache;
  // The named curves and zone interfaces of the mesh files the last mesh was made from.
  ClassCacheSlot mesh_files;

  // Pool word accessors with the 1-based pointer convention: element i of the array at pointer j
  // is a(j + i).
  float& ra(int64_t k) { return a[static_cast<size_t>(k)]; }
  int32_t& ik(int64_t k) { return km[static_cast<size_t>(k)]; }
};

// Error flag: the one failure channel between routines.
inline void set_flag(Session& s, int32_t v) {
  s.cflag = v;
}
inline void flag_off(Session& s) {
  s.cflag = 0;
}
inline int32_t iflag(const Session& s) {
  return s.cflag;
}
inline bool flag_tst(const Session& s) {
  return s.cflag != 0;
}

// Fixed-length, blank-padded character fields.
void set_field(char* field, size_t size, std::string_view text);
template <size_t N>
void set_field(char (&field)[N], std::string_view text) {
  set_field(field, N, text);
}
std::string field_str(const char* field, size_t size);  // trailing blanks removed
template <size_t N>
std::string field_str(const char (&field)[N]) {
  return field_str(field, N);
}
// Position of the last non-blank character (0 for an all-blank text).
int len1(std::string_view text);
std::string rtrim(std::string_view text);

}  // namespace tivor
