* The thick steel tube of cylinder.sol solved as a static task by the
* implicit scheme: the wall 0.1<=r<=0.2, a slice 0<=z<=0.05 of a long
* tube whose ends cannot move along z, 100 MPa inside from the start.
* One step of the implicit scheme finds the equilibrium: radial
* displacement (1+nu)p a^2/(E(b^2-a^2)) ((1-2nu)r + b^2/r), 0.095 mm
* at r=0.1; radial stress -100 MPa inside and 0 outside, hoop stress
* 167 MPa inside and 67 MPa outside. Further steps keep it.
* Units: metres, milliseconds, tonnes; stresses in GPa.
ntel=1          * one subregion
m=4             * quadrilaterals
tipm=2          * generator 2: a block through 8 boundary points
rz=.1 0  .1 .025  .1 .05        * P1, P2, P3: the inner face r=0.1
   .15 .05  .2 .05              * P4, P5: the top z=0.05
   .2 .025  .2 0  .15 0         * P6, P7, P8: the outer face, the bottom
nksi=40         * 40 cells across the wall: 2.5 mm each
neta=20         * 20 cells along z: square cells
turn=0 0 0 0 0  * no turn, no shift
nyt=0           * no refinement
rzcor=0         * no smoothing of the subregion
skl=0           * a single subregion
scale=1 1       * no scaling
rzcor=0         * no smoothing of the whole mesh
symmetry=1      * axisymmetric: x is the radius r, y the axis z
gn=0            * small strains
vx=0            * the radial velocity is prescribed nowhere
ntvr=0          * no time table for vr
vy=2            * two intervals where the axial velocity is prescribed:
m=.1 0 .2 0 0 0         * the bottom z=0
m=.1 .05 .2 .05 0 0     * the top z=0.05
ntvz=0          * an empty table: the multiplier is 0, so vz=0 there
contin=0        * no continuation boundary
npn=1           * one normal surface load:
pn=1            * given on one interval:
m=.1 0 .1 .05 -.1 -.1   * the inner face, -0.1 GPa (negative: pressure)
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
nhist=2         * two history graphs:
f=1             * radial displacement ...
x=0.1           * ... of the inner face
y=0.025
f=5             * radial stress ...
x=0.15          * ... in the middle of the wall
y=0.025
