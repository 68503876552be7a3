// Feeds arbitrary bytes to the state-buffer loader and then uses what it accepted as a session
// would: the status screen, one time step of whichever class the buffer names (diffusion,
// solids or gas flow), every picture of the viewer, the checker's queries and the exporters'
// files. A buffer the loader lets through must never make any of them read or write outside the
// pools and records.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "classes/dif/dif.hpp"
#include "classes/gs/gs.hpp"
#include "classes/sol/sol.hpp"
#include "export/export.hpp"
#include "fuzz/fuzz_session.hpp"
#include "results/results.hpp"
#include "shell/checker.hpp"
#include "shell/shell.hpp"
#include "shell/state_buffer.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tivor;
  Session& s = fuzz::fuzz_session();
  if (s.managers.empty()) {
    s.managers.push_back({"dif ", dim1, dif_state_ok});
    s.managers.push_back({"sol ", som, sol_state_ok});
    s.managers.push_back({"gs  ", gsm, gs_state_ok});
  }
  s.csize = Csize{kPoolReals, kPoolInts, 0, 0};
  s.cls = ClassRecord{};
  s.cht = Cht{};
  s.cmesh = Cmesh{};
  s.cparm = Cparm{};
  s.cterm = Cterm{};
  iniclass(s);
  flag_off(s);
  if (load_state_buffer(s, std::span<const uint8_t>(data, size)) != BufferLoad::kLoaded) return 0;

  status_screen(s);
  if (s.cht.itask == kTaskPrepared && s.cls.iclass >= 1 && s.cls.imethod >= 1) {
    s.cht.isp = s.cht.is + 1;
    setinp(s);
    execlass(s, s.cls.iclass, s.cls.imethod);
    flag_off(s);
  }
  for (int ipc = 1; ipc <= 10; ++ipc) {
    s.cterm.ipc = ipc;
    afilm0(s);
    flag_off(s);
  }
  fminmax(s);
  if (s.cmesh.n1 > 0 && s.cmesh.n1 <= s.csize.na / 2) {
    const float r = s.a[static_cast<size_t>(s.cmesh.jrz) + 1];
    const float z = s.a[static_cast<size_t>(s.cmesh.jrz) + 2];
    int node = 0;
    lntrt(s, r, z, node);
    static_cast<void>(fcell2(s, r, z));
  }
  flag_off(s);
  ExportMesh mesh;
  std::string error;
  if (export_mesh(s, mesh, error)) {
    static_cast<void>(vtu_text(mesh));
    static_cast<void>(msh_text(mesh));
  }
  return 0;
}
