* A steel bar 0<=x<=1, 0<=y<=0.05, plane, hit at its end x=0: from
* t=0 that end moves at 10 m/s into the bar. With nu=0 the bar carries
* a plain longitudinal wave: its front runs at c=sqrt(E/ro) (about
* 5060 m/s) and leaves the material behind it moving at 10 m/s under
* the stress -ro*c*10 (about -395 MPa). The front reaches the free end
* x=1 after about 0.2 ms.
* Units: metres, milliseconds and tonnes, so velocities are in m/ms
* (km/s), densities in t/m3 and stresses in GPa.
ntel=1          * one subregion
m=4             * quadrilaterals
tipm=2          * generator 2: a block through 8 boundary points
rz=0 0  0 .025  0 .05   * P1, P2, P3: the end x=0, upwards
   .5 .05  1 .05        * P4, P5: the top side
   1 .025  1 0  .5 0    * P6, P7, P8: the end x=1, the bottom side
nksi=80         * 80 cells along the bar: 12.5 mm each
neta=4          * 4 cells across it: square cells
turn=0 0 0 0 0  * no turn, no shift
nyt=0           * no refinement (quadrilaterals are never refined)
rzcor=0         * no smoothing of the subregion
skl=0           * a single subregion: nothing to glue
scale=1 1       * no scaling
rzcor=0         * no smoothing of the whole mesh
symmetry=2      * a plane task
gn=0            * small strains
vx=1            * one interval where the x velocity is prescribed:
m=0 0 0 .05 .01 .01     * the end x=0: 0.01 m/ms (10 m/s)
ntvr=2          * two points in the time table of vx:
m=0 1  1 1      * the multiplier stays 1 at all times
vy=0            * the y velocity is prescribed nowhere
ntvz=0          * no time table for vy
contin=0        * no continuation boundary: the far end is free
npn=0           * no normal surface loads
npt=0           * no tangent surface loads
fr=0            * no body load along x
fz=0            * no body load along y
nqn=0           * no heat flows
MAT=1           * the only zone is elastic
E=200           * Young's modulus, GPa
NU=0            * Poisson's ratio 0: no lateral effect
plast=0         * no yield criterion
nsk=0           * so no yield table either
C=-7.8          * a negative C gives the density, 7.8 t/m3
VR=0            * at rest at the start
VZ=0
EN=0            * no internal energy
GAM=1           * gamma-ratio 1: no gas pressure
EMAX=1000       * a destructive strain never reached
rpres=0         * no initial pressure
skpres=0        * no pressure hardening
EEWZR=0         * no explosive energy
damage=0 0 0    * no damage
compact=0 0 0   * no pores
dynamics=1      * a dynamic task
CUR=0.9         * 0.9 of the stable step: about 0.9 microseconds
DEMAX=0.1       * at most 10 per cent strain per step (never reached)
BET=0           * centre coefficient, not used
SGL=0 0 0       * smoothing weights
contact=0       * no contact zones
penalty=0       * no contact, so no penalty
frict=0         * and no friction
nbforce=0       * boundary forces in the usual order
nthist=200      * up to 200 points per history curve
nhist=2         * two history graphs:
f=1             * displacement along the bar ...
x=0.5           * ... at its middle
y=0.025
f=3             * velocity along the bar ...
x=0.5           * ... at the same point
y=0.025
