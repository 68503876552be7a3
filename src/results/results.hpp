// The results viewer: the menus and options that show the state of the current task as
// pictures, the history graphs and the film. The viewer knows nothing about the physics: it
// draws the nodal fields a class has published (cht.ipp / cls.ppname, cls.jfun / cls.funname,
// cmesh.jdcr) on the mesh with the view settings of s.cterm.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/session.hpp"

namespace tivor {

// Fills the session's upcalls that lead here: arez (the viewer of the current class) and afilm
// (the film entry of the classes' post-processing).
void results_install(Session& s);

// AREZ: opens the viewer of the current class: TERM for the 2D classes; the 3D codes ("gfe ",
// "sl  ", "the ", "ffd ", "gfd ") are answered with a message through the error flag, since no
// 3D class exists in this program.
void arez_viewer(Session& s);

// ---- menus (results_menu.cpp, options_menu.cpp, boundaries_menu.cpp) ----

// TERM: the results menu with its 19 items; Esc leaves it.
void term(Session& s);
// TERMI: the defaults of s.cterm; initerm := -1000000.
void termi(Session& s);
// TERMO: the options menu with its 15 items.
void termo(Session& s);
// BOUNDARY: the boundaries menu (region bounds, subregion bounds, conditions, the switch).
void boundary_menu(Session& s);

// ---- film (film.cpp) ----

// SETIFILM: the film set-up of produce_movie.
void setifilm(Session& s);
// AFILM: the film entry after each step: frame rhythm, drawing, saving a frame.
void afilm(Session& s);
// AFILM0: draws the current picture (cterm.ipc); the mesh while no task is prepared.
void afilm0(Session& s);
// Makes the film entry of the classes also write every frame it takes (and, without a film, the
// last step of every run) as a .vtu file of the time series in folder, listed in NAME.pvd.
// The flag returned turns true once a write has failed (the run goes on; batch runs fail).
std::shared_ptr<const bool> series_install(Session& s, const std::string& folder);

// ---- history graphs (history_graphs.cpp) ----

// AHIST: the history menu.
void ahist(Session& s);
// LHIST: draws history curve `curve` (1-based in the viewer's curve list); own_page 0 draws into
// the region the caller has set (the multi picture).
void lhist(Session& s, int curve, int own_page);
// The title LHIST gives the graph of that curve: "NAME versus time" or "NAME versus NAME2";
// empty when nothing is recorded.
std::string lhist_title(const Session& s, int curve);

}  // namespace tivor
