* A steel stamp pressed into an aluminium block, plane, solved as a
* static task by the implicit scheme with penalty contact and friction.
* The block 0<=x<=1, 0<=y<=0.5 lies on a rigid floor; the stamp
* 0<=x<=0.2, 0.5<=y<=0.7 stands on it, a separate zone held to the
* block only by contact. The stamp's top goes down 0.1 mm a step. The
* block yields first under the stamp's edge, where the stress reaches
* the yield stress of 100 MPa after a few steps, and the plastic zone
* spreads from there; friction keeps the block's surface from sliding
* out under the stamp.
* x=0 is a line of symmetry: the stamp is really 0.4 wide.
* Units: metres, milliseconds, tonnes; stresses in GPa.
ntel=2          * two subregions: the block and the stamp
m=4             * quadrilaterals
* subregion 1, the block
tipm=2          * generator 2
rz=0 0  0 .25  0 .5     * P1, P2, P3: the symmetry line x=0, upwards
   .5 .5  1 .5          * P4, P5: the top
   1 .25  1 0  .5 0     * P6, P7, P8: the side x=1, the floor
nksi=40         * 40 cells along x: 25 mm each
neta=20         * 20 cells along y: square cells
turn=0 0 0 0 0  * no turn, no shift
nyt=0           * no refinement
rzcor=0         * no smoothing
* subregion 2, the stamp
tipm=2          * generator 2
rz=0 .5  0 .6  0 .7     * P1, P2, P3: the symmetry line x=0
   .1 .7  .2 .7         * P4, P5: the top, where it is pressed
   .2 .6  .2 .5  .1 .5  * P6, P7, P8: its side x=0.2, its foot
nksi=8          * 8 cells along x: the block's 25 mm
neta=8          * 8 cells along y
turn=0 0 0 0 0  * no turn, no shift
nyt=0           * no refinement
rzcor=0         * no smoothing
skl=0           * no glue zones: the stamp only touches the block
scale=1 1       * no scaling
rzcor=0         * no smoothing of the whole mesh
symmetry=2      * a plane task
gn=0            * small strains
vx=1            * one interval where the x velocity is prescribed:
m=0 0 0 .7 0 0  * the symmetry line x=0 of both: vx=0
ntvr=0          * an empty table: multiplier 0, so vx=0 there
vy=2            * two intervals where the y velocity is prescribed:
m=0 0 1 0 0 0   * the floor y=0: vy=0
m=0 .7 .2 .7 -.01 -.01  * the stamp's top: 10 m/s down, 0.1 mm a step
ntvz=2          * the time table of vy:
m=0 1  1000 1   * multiplier 1 at all times
contin=0        * no continuation boundary
npn=0           * no normal surface loads
npt=0           * no tangent surface loads
fr=0            * no body load along x
fz=0            * no body load along y
nqn=0           * no heat flows
* zone 1, the block
MAT=2           * elasto-plastic
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
* zone 2, the stamp
MAT=1           * elastic
E=200           * Young's modulus, GPa
NU=0.3          * Poisson's ratio
plast=0         * no yield criterion
nsk=0           * and no yield table
C=-7.8          * the density 7.8 t/m3
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
CUR=-0.01       * a fixed step of 10 microseconds: 0.1 mm of the stamp
DEMAX=0         * no limit on the strain of a step
BET=0           * centre coefficient, not used
SGL=0 0 0       * smoothing weights (the implicit scheme does not smooth)
contact=1       * one contact box: the stamp's foot and the block's top
m=-1 .49 .3 .51         * below it, 0<=x<=0.3 at y=0.5
penalty=1000    * a node 1 micron deep is pushed back by 1 MN per metre
frict=100       * the spring against sliding, a tenth of penalty
nbforce=0       * boundary forces in the usual order
nthist=100      * up to 100 points per history curve
nhist=2         * two history graphs:
f=10            * plastic work ...
x=0.2           * ... under the stamp's edge
y=0.475
f=6             * vertical stress ...
x=0.1           * ... under the middle of the stamp
y=0.45
