// Pages, regions, world limits and the clip rectangle: the device-independent picture model on
// the 640 by 350 canvas.
#include <algorithm>

#include "gfx/gfx.hpp"
#include "gfx/points.hpp"

namespace tivor {
namespace {

void tell(Session& s, std::string_view message) {
  if (s.up.pause) s.up.pause(message);
}

}  // namespace

void pagepar(Session& s, int ix1, int iy1, int ix2, int iy2) {
  Grf& g = s.grf;
  g.page_pix[0] = std::max(ix1, 1);
  g.page_pix[1] = std::min(ix2, kCanvasW);
  g.page_pix[2] = std::max(iy1, 1);
  g.page_pix[3] = std::min(iy2, kCanvasH);
  for (int k = 0; k < 4; ++k) g.page_real[k] = static_cast<float>(g.page_pix[k]);
  if (g.page_pix[3] - g.page_pix[2] < 1 || g.page_pix[1] - g.page_pix[0] < 1) {
    tell(s, "page has invalid parameters");
  }
}

void regionpar(Session& s, int ix1, int iy1, int ix2, int iy2) {
  Grf& g = s.grf;
  g.reg_pix[0] = ix1;
  g.reg_pix[1] = ix2;
  g.reg_pix[2] = iy1;
  g.reg_pix[3] = iy2;
  for (int k = 0; k < 4; ++k) g.reg_real[k] = static_cast<float>(g.reg_pix[k]);
  if (iy2 - iy1 < 1 || ix2 - ix1 < 1) tell(s, "region has invalid parameters");
}

void page(Session& s, int ic1, int ir1, int ic2, int ir2, int iframe) {
  int32_t* t = s.grf.page_text;
  t[0] = ir1;
  t[1] = ic1;
  t[2] = ir2;
  t[3] = ic2;
  page1(s, (ic1 - 1) * 8 + 1, (ir1 - 1) * 14 + 1, ic2 * 8, ir2 * 14, iframe);
}

void page1(Session& s, int ix1, int iy1, int ix2, int iy2, int iframe) {
  Grf& g = s.grf;
  if (g.igrdin != kMark) return;
  // The page picture goes to the picture file "page.gf"; ENDPG closes and shows it.
  if (s.cgout.igout[0] == 1 && s.cgout.gf_mode != kGfOpen) gfopen(s, "page.gf");
  pagepar(s, ix1, iy1, ix2, iy2);
  g.initreg = 0;
  g.initlim = 0;
  g.irampag = iframe;
  g.initpg = kMark;
  color(s, 0);
  rect(s, static_cast<float>(ix1), static_cast<float>(iy1), static_cast<float>(ix2),
       static_cast<float>(iy2), 1);
  if (iframe == 1) pageborder(s);
  clip(s, 2);
}

void region(Session& s, int ic1, int ir1, int ic2, int ir2, int iframe) {
  const int cw = s.grf.cell_w, ch = s.grf.cell_h;
  region1(s, (ic1 - 1) * cw + 1, (ir1 - 1) * ch + 1, ic2 * cw, ir2 * ch, iframe);
}

void region1(Session& s, int ix1, int iy1, int ix2, int iy2, int iframe) {
  Grf& g = s.grf;
  if (g.initpg != kMark) return;
  regionpar(s, ix1, iy1, ix2, iy2);
  g.initreg = kMark;
  g.iramreg = iframe;
  if (iframe == 1) regborder(s);
}

void limits(Session& s, float x1, float x2, float y1, float y2) {
  Grf& g = s.grf;
  if (g.initreg != kMark) return;
  g.xmnlim = std::min(x1, x2);
  g.xmxlim = std::max(x1, x2);
  g.ymnlim = std::min(y1, y2);
  g.ymxlim = std::max(y1, y2);
  if (g.xmxlim - g.xmnlim <= kEpsilon) {
    g.xmnlim -= 1.0f;
    g.xmxlim += 1.0f;
  }
  if (g.ymxlim - g.ymnlim <= kEpsilon) {
    g.ymnlim -= 1.0f;
    g.ymxlim += 1.0f;
  }
  g.initlim = kMark;
}

void getlimits(Session& s, float& xmin, float& xmax, float& ymin, float& ymax, int& iset) {
  xmin = s.grf.xmnlim;
  xmax = s.grf.xmxlim;
  ymin = s.grf.ymnlim;
  ymax = s.grf.ymxlim;
  iset = s.grf.initlim;
}

void endpg(Session& s, int ipause) {
  if (s.cgout.igout[0] == 1 && field_str(s.cgout.gf_name) == "page.gf") {
    gfclose(s);
    gf_view(s, "page.gf", 1.0f);
  }
  if (s.cgout.igout[1] == 1) {
    const int32_t* p = s.grf.page_pix;  // x min, x max, y min, y max
    putgscr(s, p[0], p[2], p[1], p[3]);
  }
  showpage(s);
  if (ipause == 1) tell(s, " ");
}

void pageborder(Session& s) {
  if (s.grf.initpg != kMark) return;
  color(s, 15);
  const float* p = s.grf.page_real;
  rect(s, p[0], p[2], p[1], p[3], 0);
}

void regborder(Session& s) {
  if (s.grf.initreg != kMark) return;
  color(s, 15);
  const float* r = s.grf.reg_real;
  rect(s, r[0], r[2], r[1], r[3], 0);
}

void clspage(Session& s) {
  color(s, 0);
  const int32_t* p = s.grf.page_pix;
  rect(s, static_cast<float>(p[0] + 1), static_cast<float>(p[2] + 1), static_cast<float>(p[1] - 1),
       static_cast<float>(p[3] - 1), 1);
}

void clip(Session& s, int mode) {
  Grf& g = s.grf;
  int32_t* c = g.clip;  // x min, y min, x max, y max
  if (mode == 2) {
    c[0] = g.page_pix[0];
    c[1] = g.page_pix[2];
    c[2] = g.page_pix[1];
    c[3] = g.page_pix[3];
  } else if (mode == 3) {
    c[0] = g.reg_pix[0];
    c[1] = g.reg_pix[2];
    c[2] = g.reg_pix[1];
    c[3] = g.reg_pix[3];
  } else {
    c[0] = 1;
    c[1] = 1;
    c[2] = kCanvasW;
    c[3] = kCanvasH;
  }
  g.clip_mode = mode;
}

void set_clip(Session& s, int ix1, int iy1, int ix2, int iy2) {
  int32_t* c = s.grf.clip;
  c[0] = ix1;
  c[1] = iy1;
  c[2] = ix2;
  c[3] = iy2;
  s.grf.clip_mode = 4;
}

void get_clip(Session& s, int& ix1, int& iy1, int& ix2, int& iy2) {
  const int32_t* c = s.grf.clip;
  ix1 = c[0];
  iy1 = c[1];
  ix2 = c[2];
  iy2 = c[3];
}

void tmp(Session& s, float x, float y, float& px, float& py) {
  const Grf& g = s.grf;
  const float* r = g.reg_real;  // x min, x max, y min, y max
  px = (x - g.xmnlim) * (r[1] - r[0]) / (g.xmxlim - g.xmnlim) + r[0];
  py = (y - g.ymnlim) * (r[2] - r[3]) / (g.ymxlim - g.ymnlim) + r[3];
}

void tmp1(Session& s, float x, float y, int& ipx, int& ipy) {
  float px = 0.0f, py = 0.0f;
  tmp(s, x, y, px, py);
  ipx = trunc_point(px);
  ipy = trunc_point(py);
}

}  // namespace tivor
