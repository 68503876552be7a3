* A plate of soft aluminium, plane: 0<=x<=1, 0<=y<=0.5, lying
* on a rigid floor. A flat punch presses the strip 0<=x<=0.2 of its top
* down at 10 m/s. The plate yields first under the punch edge, where
* the stress reaches the yield stress of 100 MPa almost at once, and
* the plastic zone spreads from there into the plate as the punch goes
* down.
* x=0 is a line of symmetry: the punch is really 0.4 wide.
* Units: metres, milliseconds, tonnes; stresses in GPa.
ntel=1          * one subregion
m=4             * quadrilaterals
tipm=2          * generator 2: a block through 8 boundary points
rz=0 0  0 .25  0 .5     * P1, P2, P3: the symmetry line x=0, upwards
   .5 .5  1 .5          * P4, P5: the top
   1 .25  1 0  .5 0     * P6, P7, P8: the side x=1, the floor
nksi=40         * 40 cells along x: 25 mm each
neta=20         * 20 cells along y: square cells
turn=0 0 0 0 0  * no turn, no shift
nyt=0           * no refinement
rzcor=0         * no smoothing of the subregion
skl=0           * a single subregion
scale=1 1       * no scaling
rzcor=0         * no smoothing of the whole mesh
symmetry=2      * a plane task
gn=1            * large strains: the mesh follows the material
vx=1            * one interval where the x velocity is prescribed:
m=0 0 0 .5 0 0  * the symmetry line x=0: vx=0
ntvr=2          * the time table of vx:
m=0 1  1 1      * multiplier 1 at all times
vy=2            * two intervals where the y velocity is prescribed:
m=0 0 1 0 0 0   * the floor y=0: vy=0
m=0 .5 .2 .5 -.01 -.01  * under the punch: 10 m/s downwards
ntvz=2          * the time table of vy:
m=0 1  1 1      * multiplier 1 at all times
contin=0        * no continuation boundary
npn=0           * no normal surface loads
npt=0           * no tangent surface loads
fr=0            * no body load along x
fz=0            * no body load along y
nqn=0           * no heat flows
MAT=2           * the zone is elasto-plastic
E=70            * Young's modulus, GPa
NU=0.3          * Poisson's ratio
plast=1         * the von Mises yield criterion
nsk=2           * two points in the yield table:
m=0 .1  1000 .1         * 0.1 GPa whatever the plastic work: no hardening
C=-2.7          * the density 2.7 t/m3
VR=0            * at rest at the start
VZ=0
EN=0            * no internal energy
GAM=1           * no gas pressure
EMAX=1000       * never destroyed
rpres=0         * no initial pressure
skpres=0        * the yield stress does not depend on the pressure
EEWZR=0         * no explosive energy
damage=0 0 0    * no damage
compact=0 0 0   * no pores
dynamics=1      * a dynamic task
CUR=0.9         * 0.9 of the stable step: about 1.6 microseconds
DEMAX=0.01      * at most 1 per cent strain per step
BET=0           * centre coefficient, not used
SGL=0 0 0       * smoothing weights
contact=0       * no contact zones
penalty=0       * no penalty
frict=0         * no friction
nbforce=0       * boundary forces in the usual order
nthist=200      * up to 200 points per history curve
nhist=2         * two history graphs:
f=10            * plastic work ...
x=0.2           * ... under the punch edge
y=0.45
f=2             * vertical displacement ...
x=0.5           * ... of the top beside the punch
y=0.5
