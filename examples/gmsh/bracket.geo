// An L-shaped bracket with a bolt hole, for the diffusion class: x is r and y is z of the
// workbench. Two physical surfaces, the arm and the foot, become two zones. Lengths in metres.
// The curves are named for the boundary conditions of dif/bracket.dif.
t = 0.02;    // thickness of the arm and of the foot
L = 0.1;     // length of the foot along x
H = 0.08;    // height of the arm along y
rb = 0.006;  // bolt hole radius, centred in the foot
h = 0.004;   // cell size

// The foot: 0 <= x <= L, 0 <= y <= t, with the bolt hole at (L/2 + t/2, t/2).
cx = L / 2 + t / 2;
cy = t / 2;
Point(1) = {0, 0, 0, h};
Point(2) = {L, 0, 0, h};
Point(3) = {L, t, 0, h};
Point(4) = {t, t, 0, h};
Point(5) = {0, t, 0, h};
// The arm: 0 <= x <= t, t <= y <= H.
Point(6) = {t, H, 0, h};
Point(7) = {0, H, 0, h};
// The hole.
Point(8) = {cx, cy, 0, h / 2};
Point(9) = {cx + rb, cy, 0, h / 2};
Point(10) = {cx, cy + rb, 0, h / 2};
Point(11) = {cx - rb, cy, 0, h / 2};
Point(12) = {cx, cy - rb, 0, h / 2};

Line(1) = {1, 2};  // the foot's underside, bolted to the wall
Line(2) = {2, 3};
Line(3) = {3, 4};
Line(4) = {4, 5};  // where the arm meets the foot
Line(5) = {5, 1};
Line(6) = {4, 6};
Line(7) = {6, 7};  // the arm's top end
Line(8) = {7, 5};
Circle(9) = {9, 8, 10};
Circle(10) = {10, 8, 11};
Circle(11) = {11, 8, 12};
Circle(12) = {12, 8, 9};

// Counter-clockwise outer loops, so that both surfaces face +z; the hole's loop is an inner one.
Curve Loop(1) = {1, 2, 3, 4, 5};
Curve Loop(2) = {9, 10, 11, 12};
Plane Surface(1) = {1, 2};
Curve Loop(3) = {-4, 6, 7, 8};
Plane Surface(2) = {3};

Physical Curve("wall") = {1};
Physical Curve("bolt") = {9, 10, 11, 12};
Physical Curve("tip") = {7};
Physical Surface("foot") = {1};
Physical Surface("arm") = {2};
