// The named global records shared by the whole system. Their byte layouts are a file format
// (state buffers store several of them whole), so every record is a standard-layout struct of
// int32_t, float and fixed char arrays in a fixed field order, with its size checked below.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace tivor {

// Pool sizes and marks: sizes of the real pool /a/ and the integer pool /km/, and the words of
// each in use. Free memory is na - maxa and nk - maxk.
struct Csize {
  int32_t na;
  int32_t nk;
  int32_t maxa;
  int32_t maxk;
};

// Class record: the registry of problem classes, the current class and method, result function
// names, the initial data file and the boundary-condition lists. Characters are blank padded.
struct ClassRecord {
  char clname[15][72];
  char clcode[15][4];
  int32_t iclass;
  int32_t imethod;
  int32_t nmethod;
  char mtname[15][72];
  char ppname[30][48];
  char datfile[80];
  int32_t jfun[20];
  int32_t nfun;
  char funname[20][24];
};

// Time record: time, step, scheme coefficients, result-function pointers, step counters, task
// status (999999 = prepared) and the history area (170 words, laid out by the history tables).
// The history area of the time record (170 words): the recorder's set-up, its curves and its
// progress (see the kernels' HISTORY and the viewer's history graphs).
struct ChtHistory {
  float htdyn;      // stable-step estimate of the class's time-step routine
  float xhist[20];  // (r, z) sampling position of each history graph
  float yhist[20];
  int32_t jthist;      // nthist reals: the time of each recorded point
  int32_t nthist;      // points per curve; below 2 no history is kept
  int32_t nhist;       // number of history graphs, 0..20
  int32_t jhist;       // nhist curves of nthist reals, column-major
  int32_t ifhist[20];  // result function sampled by each graph
  int32_t nhist0;      // number of built-in curves
  int32_t jhist0;      // nhist0 curves of nthist reals
  char name0[20][20];  // names of the built-in curves
  int32_t npoints;     // points recorded so far
  int32_t next_step;   // step at which the next point is due
  int32_t interval;    // steps between recorded points
};
static_assert(sizeof(ChtHistory) == 680);

struct Cht {
  float t;
  float ht;
  float cur;
  float bet;
  float sgl1[3];
  int32_t ipp[30];
  int32_t ifilm;
  int32_t nipp;
  int32_t is;
  int32_t isp;
  int32_t itask;
  ChtHistory hist;
};

inline constexpr int32_t kTaskPrepared = 999999;

// Mesh record: 200 words of pointers into the pools and counts (see the mesh generators).
struct Cmesh {
  int32_t jdcr[6];
  int32_t isym, jgrz, ng, npreg, jpreg;
  int32_t jn1, n1, jn2, n2, jj1, m, jrz, ntel, jn3, n3, jj2, jcsi, nyt, jmm, jn5;
  int32_t nuz3, nel3, n35, jxm, jym, jzm, jn6, jn7, nbe3, jzelem, jbelem, jgran;
  int32_t maxaw, maxkw;
  int32_t jdr[3], jdz[3];
  int32_t jrmin1, jsss, jhr, jhz, jdest_cell, jj13, jn23;
  int32_t jrj1t[9];
  int32_t jsss0, nc, jnci, jjci, jcln, jclnt, jgrel, jj1g, jstar;
  int32_t nx, ny, nz;
  float hx, hy, hz;
  int32_t nintbc, jintbc, n_jintbc, jbcif, jn33, nuze, jn13;
  int32_t jdm, jd1, jd2, jd3;
  int32_t nmarkers, jxyz, nxyz;
  int32_t ncd, nxd, nyd, nzd, n1d;
  float hxd, hyd, hzd;
  int32_t jcd, jdcd, jmcd;
  int32_t unnamed[200 - 102];
};

// Class parameter record: 300 words whose layout belongs to the current class. Each class views
// the words through its own struct; the shell and state buffers see the word arrays.
// The diffusion class's view of the parameter record (its memory card names the same fields).
struct DifParm {
  int32_t jfna;        // 2 * ntel reals: initial c1, c2 of each subregion
  int32_t jy[2];       // n3 flags each: 0 where c1 (c2) is prescribed
  int32_t jpg[2];      // n3 reals each: a second boundary value set, kept at 0
  int32_t jfg[2];      // n3 reals each: prescribed values of c1, c2
  int32_t jf[2];       // n1 reals each, contiguous: current c1, c2
  int32_t jdf[10];     // 10 contiguous arrays of n1 reals: the solver's five vectors
  int32_t jrb[6];      // max(n1, n2) reals each: work arrays lent to the results viewer
  int32_t jdiffc;      // 4 * ntel reals: D11, D12, D21, D22 of each subregion
  int32_t jf0[2];      // n1 reals each, contiguous: previous time level and solver iterate
  float rm, rmn, drm;  // scratch
  float pi;
  int32_t iconc1, iconc2;  // equation switches
  float fc1, fc2;          // constant sink rates
};

// The solids class's view of the parameter record, word by word in the order of its memory card
// (names from i to n are integers, the others reals).
struct SolParm {
  int32_t npn, ntpn[4], jtpn[4];   // normal surface loads: count, table sizes and positions
  int32_t npt, ntpt[4], jtpt[4];   // tangent surface loads
  int32_t nqn, ntqn[4], jtqn[4];   // heat flows
  int32_t ntfr, jtfr, ntfz, jtfz;  // body-load tables along r and z
  int32_t jpn[4], jpt[4], jqn[4];  // n3 reals each: nodal values of every load
  float tpn[4], dtpn[4], tpt[4], dtpt[4], tqn[4], dtqn[4];  // load multipliers and increments
  float tfr, dtfr, tfz, dtfz;                               // body loads and increments
  float hkk[4];                                             // reserved
  float gn;                                                 // large-strain factor
  int32_t mdin;                                             // 1 dynamic, 2 static
  float visk;                                               // reserved
  float demax;                                              // largest strain increment a step
  int32_t jmatm;                                            // ntel: media type
  int32_t jrom, jc0m, ja5m, ja6m;       // ntel reals each: density, sound speed, 2G, 3K
  int32_t jgam, jemax;                  // ntel reals each: gamma-ratio, destructive strain
  int32_t jplast;                       // ntel: yield criterion
  int32_t jskm;                         // 2 ntel: (points, position) of each yield table
  int32_t jrpres, jskpres, jeewzr;      // ntel reals each
  int32_t jcontin;                      // n3: 0 on continued boundary elements
  int32_t jdamage, jcompact;            // 3 ntel reals each
  float hgmin;                          // shortest boundary segment (contact distance)
  int32_t jy[3];                        // n3 each: 0 where vr (jy[1]) or vz (jy[2]) is prescribed
  int32_t jvrg, jvzg;                   // n3 reals each: prescribed velocities
  int32_t ntvr, jtvr, ntvz, jtvz;       // velocity multiplier tables
  float tvr, tvz;                       // current velocity multipliers
  int32_t jrkont[8], jkcell[3];         // reserved
  int32_t jkontw;                       // n3: 0 on contact boundary elements
  int32_t jbfx, jbfy;                   // ntel reals each: boundary force sums
  int32_t jce, jcf, nce;                // contact list: 3 nodes, 3 reals a contact; count
  int32_t jcnod;                        // n1: 0 for a node in contact, 1 otherwise
  float penalty, frict;                 // contact factors
  int32_t jf[12], jf0[12], jdf[12];     // n1 reals each: nodal fields, copies, accumulators
  int32_t jstr[4];                      // n1 reals each: s11, s33, s13, mean stress
  int32_t jpore, jcrack, jemx;          // n1 reals each
  int32_t jrl;                          // n1 reals: 1
  int32_t jrb[6];                       // max(n1, n2) reals: smoothing work (two laid out)
  int32_t jx, js, jgr, jgr0, jas, jmd;  // 2 n1 reals each: work vectors of the schemes
  float eps2;                           // tolerance of the implicit scheme
};

// The gas-flow class's view of the parameter record, word by word in the order of its memory
// card (names from i to n are integers, the others reals). Field sets 1..5 are density,
// velocities along r and z, specific internal energy and pressure.
struct GsParm {
  float stree;           // scratch
  float tfz;             // thermal gravity coefficient
  float tvrg, tvzg;      // current multipliers of the prescribed velocities
  float fna[5];          // initial ro, u, v, e, p of the subregion read last (reference scales)
  int32_t jy[11];        // n3 flags each (integer pool): 0 where the field is prescribed
  int32_t jpg[11];       // n3 reals each: second boundary values; jpg[3] the heat flux
  int32_t jfg[11];       // n3 reals each: prescribed boundary values, paired with jy
  int32_t jf[11];        // n1 reals each, consecutive: ro, u, v, e, p and the published fields
  int32_t jdf[11];       // n1 reals each: residuals and smallest element sizes at the nodes
  int32_t jf0[11];       // n1 reals each: the new state of a step
  int32_t jrb[6];        // max(n1, n2) reals each: work arrays lent to the results viewer
  int32_t ntvrg, ntvzg;  // rows of the u and v multiplier tables
  int32_t jtvrg, jtvzg;  // the tables, 2 reals a row
  int32_t ivortex, istream, imach;  // publisher switches; imach set at the first step
  int32_t jgam, jmu0, jkk0;         // ntel reals each: adiabatic ratio, viscosity, conduction
  int32_t ipress;                   // publisher switch
  int32_t jf00[11];                 // further nodal arrays (not laid out by the euler scheme)
  int32_t jadap[5];                 // n1 reals each: mesh adaption work
  int32_t jwall;                    // n3 flags (integer pool): 0 on slip walls
  int32_t jrz0;                     // 2 n1 reals: the node coordinates at the first step
  int32_t jalpha, jbeta;            // publisher pointers
  int32_t jrnux, jrnuy, jrnup;      // n2 reals each: element arrays of the schemes
  int32_t iadapt;                   // adaption switch
};

union Cparm {
  int32_t iw[300];
  float rw[300];
  DifParm dif;
  SolParm sol;
  GsParm gs;
};

// 2D view settings of the results viewer (150 words).
struct Cterm {
  int32_t iempty, nf, nl, nhi[2], iterm0;
  float rmesh, rlim[2], rlin[4], reg[4], rspeed;
  int32_t ispeed;
  float rlig[2];
  int32_t isymg;
  int32_t icolor[95];
  int32_t prograph_set;
  float ud1, xams1, yaug1, zug1;
  int32_t initerm;
  float rtmesh;
  int32_t inp, np, ntabl, nlinur, ipc, subregion_bounds;
  int32_t imulti[6];
  int32_t test_graph;
  int32_t view3d[13];
};

// 3D view settings (25 words).
struct Cterm3 {
  int32_t initerm3;
  float xaua, dd[2];
  int32_t jdcr3[9];
  float rlin3[6];
  float alfax, alfay, alfaz;
  int32_t ipro;
  int32_t spare[2];
};

// Trace record: two clock readings, the trace mode (0 on, 1 off, 2 debug, 3 breakpoint) and the
// breakpoint routine name.
struct Ctime1 {
  float rtim1;
  float rtim2;
  int32_t itrace;
  char modname1[20];
};

// Memory card: the declaration text of the current class's parameter record.
struct Cmemo {
  int32_t nlines;
  char lines[20][80];
};

// Mesh card: the declaration text of the mesh record.
struct Tmesh {
  char lines[25][80];
  int32_t nlines;
};

// Graphics state: initialisation marks, world limits, page and region rectangles, colour, font,
// character cell, clip rectangle and the graphics switch.
struct Grf {
  int32_t igrdin;   // 99999999 once the library is initialised
  int32_t initgr;   // 2 by DINIT, 3 by DINIT1
  int32_t initpg;   // 99999999 while a page is open
  int32_t initreg;  // 99999999 once a region is set
  int32_t initlim;  // 99999999 once limits are set
  float xmnlim, xmxlim, ymnlim, ymxlim;
  int32_t iramreg, irampag;
  int32_t ipxmxmode, ipymxmode;
  int32_t imode, ipage;
  int32_t page_text[4];  // first row, first column, last row, last column
  int32_t page_pix[4];   // x min, x max, y min, y max
  int32_t reg_pix[4];    // x min, x max, y min, y max
  float page_real[4];
  float reg_real[4];
  int32_t igcolor;
  int32_t igfont;  // 2 stroke font, otherwise the bitmap font
  int32_t cell_w, cell_h;
  int32_t clip_mode;  // 1 canvas, 2 page, 3 region, 4 explicit
  int32_t clip[4];    // x min, y min, x max, y max
  int32_t gswitch;    // raster is copied to the screen only while 1
};

inline constexpr int32_t kMark = 99999999;

inline constexpr int32_t kGfOpen = 999999;  // Cgout::gf_mode while a picture file is open
inline constexpr int kGfBlock = 32000;      // bytes of a picture-file block, end byte included

// Output switches: picture file, raster copy, screen; a saved copy; the picture file state. The
// file is written under a temporary name (gf_name with ".tmp" added) block by block and renamed
// to gf_name when it is closed.
struct Cgout {
  int32_t igout[3];
  int32_t igout_saved[3];
  int32_t gf_mode;     // kGfOpen while a picture file is open, 0 otherwise
  int32_t gf_failed;   // 1 once a write failed: the file is dropped when it is closed
  char gf_name[80];    // the picture file's name, "page.gf" for the page picture
  int32_t gf_pending;  // bytes pending in the block buffer
  int32_t gf_total;    // bytes written in earlier blocks
  int32_t gf_clip[4];  // the clip rectangle (x min, y min, x max, y max) the records so far assume
  uint8_t gf_buf[kGfBlock];
};

inline constexpr int kMaxFrames = 100;     // frames of a picture library
inline constexpr int kImageBytes = 32000;  // largest page image
inline constexpr int32_t kLibraryChosen = -1000000;

// The header of one frame of a picture library (ten words).
struct FrameHeader {
  char name[8];      // words 1-2: the frame name
  int32_t size;      // word 3: bytes of the page image
  int32_t number;    // word 4: the frame's number in the library when it was saved
  float t;           // word 5: the model time of the picture
  int32_t carried;   // word 6: word 6 of the last frame read before this one was saved
  int32_t spare[4];  // words 7-10: zero
};

// Librarian state: the directory of the current library, its file name, the name of the frame
// being saved, and the page image buffer.
struct Ckadr {
  int32_t nkadr;   // frames of the current library
  int32_t chosen;  // kLibraryChosen while a library is chosen
  FrameHeader dir[kMaxFrames];
  char libname[72];
  char kadr_name[8];
  int32_t changed;  // 1 once a frame was saved into the library
  int32_t carried;  // word 6 of the last frame read
  int32_t image_size;
  uint8_t image[kImageBytes];
};

// Console colours and cursor.
struct Colors {
  int32_t border;
  int32_t fg;
  int32_t bg;
  int32_t blink;
  int32_t attr;
  int32_t col;  // cursor column 1..80
  int32_t row;  // cursor row 1..25
  int32_t ncols;
  int32_t nrows;
};

// Keyword reader state: keyword checking, list end mark, input unit, keyboard switch, column of
// the last consumed character, the current line and its number in the data file.
struct Crd {
  int32_t kontr;
  char key_end_str[4];
  int32_t in;
  int32_t kterm;
  int32_t ip;
  char str[80];
  int32_t inm;
};

// Screen mapping: the window size in pixels and the display size seen when it was first opened.
struct Cres {
  int32_t w, h;
  int32_t display_w, display_h;
  int32_t color;  // the screen driver's drawing colour
};

static_assert(sizeof(Csize) == 16);
static_assert(sizeof(ClassRecord) == 4316);
static_assert(sizeof(Cht) == 848);
static_assert(offsetof(Cht, hist) == 168);
static_assert(sizeof(DifParm) == 36 * 4 && offsetof(DifParm, rm) == 28 * 4);
static_assert(sizeof(SolParm) == 183 * 4 && offsetof(SolParm, jpn) == 31 * 4);
static_assert(offsetof(SolParm, gn) == 75 * 4 && offsetof(SolParm, hgmin) == 94 * 4);
static_assert(offsetof(SolParm, jrkont) == 106 * 4 && offsetof(SolParm, jf) == 126 * 4);
static_assert(offsetof(SolParm, jx) == 176 * 4);
static_assert(sizeof(GsParm) == 116 * 4 && offsetof(GsParm, jy) == 9 * 4);
static_assert(offsetof(GsParm, jrb) == 75 * 4 && offsetof(GsParm, ntvrg) == 81 * 4);
static_assert(offsetof(GsParm, jf00) == 92 * 4 && offsetof(GsParm, iadapt) == 115 * 4);
static_assert(sizeof(Cmesh) == 800);
static_assert(offsetof(Cmesh, jcd) == 99 * 4);
static_assert(sizeof(Cparm) == 1200);
static_assert(sizeof(Cterm) == 600);
static_assert(sizeof(Cterm3) == 100);
static_assert(sizeof(Ctime1) == 32);
static_assert(sizeof(Cmemo) == 1604);
static_assert(sizeof(Tmesh) == 2004);
static_assert(sizeof(Grf) == 45 * 4);
static_assert(sizeof(Cgout) == 8 * 4 + 80 + 6 * 4 + kGfBlock);
static_assert(offsetof(Cgout, gf_buf) == 136);
static_assert(sizeof(FrameHeader) == 40);
static_assert(sizeof(Ckadr) == 8 + 4000 + 72 + 8 + 12 + kImageBytes);
static_assert(sizeof(Colors) == 36);
static_assert(sizeof(Crd) == 104);
static_assert(std::is_standard_layout_v<ClassRecord> && std::is_trivially_copyable_v<ClassRecord>);
static_assert(std::is_standard_layout_v<Cmesh> && std::is_trivially_copyable_v<Cmesh>);

}  // namespace tivor
