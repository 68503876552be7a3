// MESHBASE: the mesh record's declaration, in the field order of Cmesh (102 named words).
#include "shell/mesh_card.hpp"

#include <array>
#include <string_view>

namespace tivor {
namespace {

constexpr std::array<std::string_view, 10> kMeshCard = {
    "      common/cmesh/jdcr(6),isym,jgrz,ng,npreg,jpreg,",
    "     +jn1,n1,jn2,n2,jj1,m,jrz,ntel,jn3,n3,jj2,jcsi,nyt,jmm,jn5,",
    "     +nuz3,nel3,n35,jxm,jym,jzm,jn6,jn7,nbe3,jzelem,jbelem,jgran,",
    "     +maxaw,maxkw,jdr(3),jdz(3),jrmin1,jsss,jhr,jhz,jdest_cell,jj13,",
    "     +jn23,jrj1t(9),jsss0,nc,jnci,jjci,jcln,jclnt,jgrel,jj1g,jstar,",
    "     +nx,ny,nz,hx,hy,hz,nintbc,jintbc,n_jintbc,jbcif,jn33,nuze,jn13,",
    "     +jdm,jd1,jd2,jd3,",
    "     +nmarkers,jxyz,nxyz,",
    "     +ncd,nxd,nyd,nzd,n1d,hxd,hyd,hzd,",
    "     +jcd,jdcd,jmcd",
};

}  // namespace

void meshbase(Session& s) {
  for (auto& line : s.tmesh.lines) set_field(line, "");
  for (size_t i = 0; i < kMeshCard.size(); ++i) set_field(s.tmesh.lines[i], kMeshCard[i]);
  s.tmesh.nlines = static_cast<int32_t>(kMeshCard.size());
}

}  // namespace tivor
