* A piece of a wall of porous, brittle stone, plane: 0<=x<=0.1,
* 0<=y<=0.05, on a rigid floor, squeezed by a plate that moves its top
* down at 5 m/s. Once the pressure passes the crushing pressure, which
* rises as the pores close, the pores close: the porosity falls from
* 0.2. Where the shear strain passes 0.1 per cent cracks grow and the
* stone loses its shear stiffness. After 400 steps (0.27 ms) the
* porosity is down to 0.13 and the crack measure is about 0.3: a
* quarter of the shear stiffness is gone. The plate slides freely over
* the top, so the piece is squeezed evenly.
* x=0 is a line of symmetry: the piece is really 0.2 wide.
* Units: metres, milliseconds, tonnes; stresses in GPa.
ntel=1          * one subregion
m=4             * quadrilaterals
tipm=2          * generator 2: a block through 8 boundary points
rz=0 0  0 .025  0 .05   * P1, P2, P3: the symmetry line x=0, upwards
   .05 .05  .1 .05      * P4, P5: the top
   .1 .025  .1 0  .05 0 * P6, P7, P8: the side x=0.1, the floor
nksi=20         * 20 cells along x: 5 mm each
neta=10         * 10 cells along y: square cells
turn=0 0 0 0 0  * no turn, no shift
nyt=0           * no refinement
rzcor=0         * no smoothing of the subregion
skl=0           * a single subregion
scale=1 1       * no scaling
rzcor=0         * no smoothing of the whole mesh
symmetry=2      * a plane task
gn=0            * small strains
vx=1            * one interval where the x velocity is prescribed:
m=0 0 0 .05 0 0 * the symmetry line x=0: vx=0
ntvr=2          * the time table of vx:
m=0 1  1 1      * multiplier 1 at all times
vy=2            * two intervals where the y velocity is prescribed:
m=0 0 .1 0 0 0  * the floor y=0: vy=0
m=0 .05 .1 .05 -.005 -.005      * the top: 5 m/s downwards
ntvz=2          * the time table of vy:
m=0 1  1 1      * multiplier 1 at all times
contin=0        * no continuation boundary
npn=0           * no normal surface loads
npt=0           * no tangent surface loads
fr=0            * no body load along x
fz=0            * no body load along y
nqn=0           * no heat flows
MAT=1           * the zone is elastic (damage and pores soften it)
E=30            * Young's modulus, GPa
NU=0.2          * Poisson's ratio
plast=0         * no yield criterion
nsk=0           * so no yield table either
C=-2.4          * the density 2.4 t/m3
VR=0            * at rest at the start
VZ=0
EN=0            * no internal energy
GAM=1           * no gas pressure
EMAX=.001       * cracks grow where the shear strain passes 0.1 per cent
rpres=0         * no initial pressure
skpres=0        * no pressure hardening
EEWZR=0         * no explosive energy
damage=2 0 5000 * model 2: the crack measure grows 5000 times the excess
compact=.2 5 -2 * porosity 0.2, closing rate 5, crushing resistance 2
dynamics=1      * a dynamic task
CUR=0.9         * 0.9 of the stable step: about 0.5 microseconds
DEMAX=0.01      * at most 1 per cent strain per step
BET=0           * centre coefficient, not used
SGL=0 0 0       * smoothing weights
contact=0       * no contact zones
penalty=0       * no penalty
frict=0         * no friction
nbforce=0       * boundary forces in the usual order
nthist=200      * up to 200 points per history curve
nhist=2         * two history graphs:
f=13            * porosity ...
x=0.05          * ... in the middle of the block
y=0.025
f=14            * crack measure ...
x=0.05          * ... at the same point
y=0.025
