* Two steel blocks, plane. The lower one, 0<=x<=1, 0<=y<=0.4,
* rests on a rigid floor; the upper one, 0.3<=x<=0.7, 0.41<=y<=0.61,
* falls onto it at 20 m/s. After 0.5 ms the 10 mm gap is closed, the
* contact correction keeps the blocks from passing through each other,
* a compression wave runs through both, and the upper block bounces
* back up at about its speed of fall.
* Units: metres, milliseconds, tonnes; stresses in GPa.
ntel=2          * two subregions, one per block
m=4             * quadrilaterals
* subregion 1, the lower block
tipm=2          * generator 2
rz=0 0  0 .2  0 .4      * P1, P2, P3: its side x=0, upwards
   .5 .4  1 .4          * P4, P5: its top
   1 .2  1 0  .5 0      * P6, P7, P8: its side x=1, its bottom
nksi=40         * 40 cells along x: 25 mm each
neta=16         * 16 cells along y: square cells
turn=0 0 0 0 0  * no turn, no shift
nyt=0           * no refinement
rzcor=0         * no smoothing
* subregion 2, the upper block
tipm=2          * generator 2
rz=.3 .41  .3 .51  .3 .61       * P1, P2, P3: its side x=0.3
   .5 .61  .7 .61               * P4, P5: its top
   .7 .51  .7 .41  .5 .41       * P6, P7, P8: its side x=0.7, its bottom
nksi=16         * 16 cells along x: 25 mm each
neta=8          * 8 cells along y
turn=0 0 0 0 0  * no turn, no shift
nyt=0           * no refinement
rzcor=0         * no smoothing
skl=0           * no glue zones: the blocks stay apart
scale=1 1       * no scaling
rzcor=0         * no smoothing of the whole mesh
symmetry=2      * a plane task
gn=1            * large strains: the mesh follows the material
vx=0            * the x velocity is prescribed nowhere
ntvr=0          * no time table for vx
vy=1            * one interval where the y velocity is prescribed:
m=0 0 1 0 0 0   * the floor y=0: vy=0
ntvz=0          * an empty table: multiplier 0, so vy=0 there
contin=0        * no continuation boundary
npn=0           * no normal surface loads
npt=0           * no tangent surface loads
fr=0            * no body load along x
fz=0            * no body load along y
nqn=0           * no heat flows
* zone 1, the lower block
MAT=1           * elastic
E=200           * Young's modulus, GPa
NU=0.3          * Poisson's ratio
plast=0         * no yield criterion
nsk=0           * and no yield table
C=-7.8          * the density 7.8 t/m3
VR=0            * at rest
VZ=0
EN=0            * no internal energy
GAM=1           * no gas pressure
EMAX=1000       * never destroyed
rpres=0         * no initial pressure
skpres=0        * no pressure hardening
EEWZR=0         * no explosive energy
damage=0 0 0    * no damage
compact=0 0 0   * no pores
* zone 2, the upper block: the same steel, falling
MAT=1           * elastic
E=200           * Young's modulus, GPa
NU=0.3          * Poisson's ratio
plast=0         * no yield criterion
nsk=0           * and no yield table
C=-7.8          * the density 7.8 t/m3
VR=0            * no sideways motion
VZ=-.02         * 20 m/s downwards
EN=0            * no internal energy
GAM=1           * no gas pressure
EMAX=1000       * never destroyed
rpres=0         * no initial pressure
skpres=0        * no pressure hardening
EEWZR=0         * no explosive energy
damage=0 0 0    * no damage
compact=0 0 0   * no pores
dynamics=1      * a dynamic task
CUR=0.9         * 0.9 of the stable step: about 1.6 microseconds
DEMAX=0.1       * at most 10 per cent strain per step
BET=0           * centre coefficient, not used
SGL=0 0 0       * smoothing weights
contact=2       * two contact zones:
m=0 .4 1 .4     * the top of the lower block
m=.3 .41 .7 .41 * the bottom of the upper block
penalty=1       * penalty factor
frict=0         * no friction
nbforce=0       * boundary forces in the usual order
nthist=400      * up to 400 points per history curve
nhist=2         * two history graphs:
f=4             * vertical velocity ...
x=0.5           * ... in the upper block, near its bottom
y=0.45
f=6             * vertical stress ...
x=0.5           * ... in the lower block under the contact
y=0.3
