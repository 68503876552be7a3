* A thick steel tube, axisymmetric: the wall 0.1<=r<=0.2, a slice
* 0<=z<=0.05 of a long tube whose ends cannot move along z. The
* pressure inside rises to 100 MPa over 0.2 ms and then stays; the
* outside is free. Once the waves across the wall have died out the
* wall takes the thick-walled tube's state: radial displacement
* (1+nu)p a^2/(E(b^2-a^2)) ((1-2nu)r + b^2/r), 0.095 mm at r=0.1, radial
* stress -100 MPa inside and 0 outside, hoop stress 167 MPa inside.
* Units: metres, milliseconds, tonnes; stresses in GPa.
ntel=1          * one subregion
m=4             * quadrilaterals
tipm=2          * generator 2: a block through 8 boundary points
rz=.1 0  .1 .025  .1 .05        * P1, P2, P3: the inner face r=0.1
   .15 .05  .2 .05              * P4, P5: the top z=0.05
   .2 .025  .2 0  .15 0         * P6, P7, P8: the outer face, the bottom
nksi=20         * 20 cells across the wall: 5 mm each
neta=10         * 10 cells along z: square cells
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
tpn=3           * three points in its time table:
m=0 0  .2 1  10 1       * it rises from 0 to 1 over 0.2 ms, then stays 1
npt=0           * no tangent surface loads
fr=0            * no body load along r
fz=0            * no body load along z
nqn=0           * no heat flows
MAT=1           * the zone is elastic
E=200           * Young's modulus, GPa
NU=0.3          * Poisson's ratio
plast=0         * no yield criterion
nsk=0           * and no yield table
C=-7.8          * the density 7.8 t/m3 (sound speed derived: 5.88 km/s)
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
dynamics=1      * a dynamic task
CUR=0.9         * 0.9 of the stable step: about 0.3 microseconds
DEMAX=0.1       * at most 10 per cent strain per step
BET=0           * centre coefficient, not used
SGL=0 0 0       * smoothing weights
contact=0       * no contact zones
penalty=0       * no penalty
frict=0         * no friction
nbforce=0       * boundary forces in the usual order
nthist=400      * up to 400 points per history curve
nhist=2         * two history graphs:
f=1             * radial displacement ...
x=0.1           * ... of the inner face
y=0.025
f=5             * radial stress ...
x=0.15          * ... in the middle of the wall
y=0.025
