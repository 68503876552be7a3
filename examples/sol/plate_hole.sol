* A quarter of a steel plate 0.2 m square with a round hole of radius
* 10 mm at its centre, pulled along z by 100 MPa on its top edge. The
* mesh comes from gmsh (examples/gmsh/plate_hole.geo, meshed into
* plate_hole.msh beside this file); the boundary conditions name its
* curves. The implicit scheme finds the equilibrium in one step: at the
* side of the hole (r=0.01, z=0) the axial stress is about three times
* the pull, 300 MPa (Kirsch's factor 3 for an infinite plate).
* Units: metres, milliseconds, tonnes; stresses in GPa.
ntel=1          * the file's one zone
m=4             * quadrilaterals
tipm=6          * the mesh of a gmsh file
file=plate_hole.msh
turn=0 0 0 0 0  * no turn, no shift
nyt=0           * no refinement
rzcor=0         * no smoothing of the subregion
skl=0           * nothing to glue
scale=1 1       * no scaling
rzcor=0         * no smoothing of the whole mesh
symmetry=2      * plane strain: x is r, y is z
gn=0            * small strains
vx=1            * the radial velocity is held on one curve:
m="left" 0 0    * the line of symmetry r=0
ntvr=0          * an empty table: the multiplier is 0, so vr=0 there
vy=1            * the axial velocity is held on one curve:
m="bottom" 0 0  * the line of symmetry z=0
ntvz=0          * vz=0 there
contin=0        * no continuation boundary
npn=1           * one normal surface load:
pn=1            * given on one curve:
m="top" .1 .1   * the top edge, pulled by 0.1 GPa (positive: tension)
tpn=2           * two points in its time table:
m=0 1  1000 1   * multiplier 1 at all times: the full load at once
npt=0           * no tangent surface loads
fr=0            * no body load along r
fz=0            * no body load along z
nqn=0           * no heat flows
MAT=1           * the zone is elastic
E=200           * Young's modulus, GPa
NU=0.3          * Poisson's ratio
plast=0         * no yield criterion
nsk=0           * and no yield table
C=-7.8          * the density 7.8 t/m3 (not used by a static task)
VR=0            * at rest at the start
VZ=0
EN=0            * no internal energy
GAM=1           * no gas pressure
EMAX=1000       * never destroyed
rpres=0         * no initial pressure
skpres=0        * no pressure hardening
EEWZR=0         * no explosive energy
damage=0 0 0    * no damage
compact=0 0 0   * no pores
dynamics=2      * a static task: the implicit scheme has no inertia
CUR=-1          * a fixed step of 1 ms (for a static task only a clock)
DEMAX=0         * no limit on the strain of a step
BET=0           * centre coefficient, not used
SGL=0 0 0       * smoothing weights (the implicit scheme does not smooth)
contact=0       * no contact zones
penalty=0       * no penalty
frict=0         * no friction
nbforce=0       * boundary forces in the usual order
nthist=100      * up to 100 points per history curve
nhist=1         * one history graph:
f=6             * the axial stress ...
x=0.01          * ... at the side of the hole
y=0
