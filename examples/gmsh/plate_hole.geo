// A quarter of a square plate 2W x 2W with a round hole of radius a at its centre, for the
// solids class: x is r and y is z of the workbench. Lengths in metres.
// The curves are named for the boundary conditions of sol/plate_hole.sol.
a = 0.01;      // hole radius
W = 0.1;       // half the plate's side
near = 0.0003; // cell size at the hole
far = 0.01;    // cell size at the plate's outer edges

Point(1) = {0, 0, 0, near};  // the hole's centre
Point(2) = {a, 0, 0, near};
Point(3) = {W, 0, 0, far};
Point(4) = {W, W, 0, far};
Point(5) = {0, W, 0, far};
Point(6) = {0, a, 0, near};
Line(1) = {2, 3};
Line(2) = {3, 4};
Line(3) = {4, 5};
Line(4) = {5, 6};
Circle(5) = {6, 1, 2};
// Counter-clockwise, so that the surface faces +z and its elements run counter-clockwise.
Curve Loop(1) = {1, 2, 3, 4, 5};
Plane Surface(1) = {1};
Recombine Surface {1};  // quadrilaterals

Physical Curve("bottom") = {1};  // y = 0, a line of symmetry
Physical Curve("right") = {2};   // free
Physical Curve("top") = {3};     // pulled
Physical Curve("left") = {4};    // x = 0, a line of symmetry
Physical Curve("hole") = {5};    // free
Physical Surface("plate") = {1};
