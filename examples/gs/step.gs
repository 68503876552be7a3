* Supersonic flow into a channel with a step (plane): air at Mach 3
* (ro=1.4, p=1, so the sound speed is 1 and the velocity 3) enters the
* channel 0<=y<=1 at x=0; from x=0.6 on the floor rises to y=0.2. The
* step sends a bow shock upstream that reflects from the top wall, and
* the flow turns round the step's corner through an expansion fan.
ntel=2          * two subregions: before the step and above it
m=4             * quadrilaterals
tipm=2          * generator 2: the channel before the step
rz=0 0  0 .5  0 1       * P1, P2, P3: the inflow x=0, upwards
   .3 1  .6 1           * P4, P5: the top wall
   .6 .5  .6 0  .3 0    * P6, P7, P8: the step's face and above, the floor
nksi=12         * 12 cells along x: 0.05 each
neta=20         * 20 cells across: 0.05 each
turn=0 0 0 0 0  * no turn, no shift
nyt=0           * no refinement
rzcor=0         * no smoothing
tipm=2          * generator 2: the channel above the step
rz=.6 .2  .6 .6  .6 1   * P1, P2, P3: the glued side x=0.6, upwards
   1.8 1  3 1           * P4, P5: the top wall
   3 .6  3 .2  1.8 .2   * P6, P7, P8: the outflow x=3, the step's top
nksi=48         * 48 cells along x: 0.05 each
neta=16         * 16 cells across: 0.05 each, matching the first block
turn=0 0 0 0 0  * no turn, no shift
nyt=0           * no refinement
rzcor=0         * no smoothing
skl=1           * one box where the subregions are glued:
m=.59 .19 .61 1.01      * the side x=0.6 above the step
scale=1 1       * no scaling
rzcor=0         * no smoothing of the whole mesh
symmetry=2      * a plane task
tfz=0           * no thermal gravity
ro=1            * one interval of prescribed density:
m=0 0 0 1 1.4 1.4       * the inflow x=0
wall=1          * one box of slip walls:
m=.01 -1 2.99 2 * floor, step and top wall (not the inflow nor outflow)
vr=1            * one interval of prescribed x velocity:
m=0 0 0 1 3 3   * the inflow: 3
tvr=2           * its time table:
m=0 1 1 1       * multiplier 1 at all times
vz=1            * one interval of prescribed y velocity:
m=0 0 0 1 0 0   * the inflow: 0
tvz=2           * its time table:
m=0 1 1 1       * multiplier 1
ee=1            * one interval of prescribed energy:
m=0 0 0 1 1.7857 1.7857 * the inflow: p/(0.4*ro)
qn=0            * no heat flux
p=0             * the supersonic outflow needs no condition
psi=0           * the stream function is 0 at the first boundary node
adaption=0      * no mesh adaption
wr=0            * no wr conditions
wz=0            * no wz conditions
gam=1.4         * before the step: air
nu=0            * inviscid
kk=0            * no heat conduction
f0=1.4 3 0 1.7857 1     * the inflow state fills the channel at t=0
gam=1.4         * above the step: the same
nu=0
kk=0
f0=1.4 3 0 1.7857 1
cur=0.4         * 0.4 of the stable step (with the sound speed)
bet=0           * centre coefficient, not used
sgl=0 0 0       * smoothing coefficients, not used
gstr4=0         * the energies are those of f0
nthist=200      * up to 200 points per history curve
nhist=2         * two history graphs:
f=1             * the density in front of the step
x=0.4
y=0.1
f=8             * the Mach number behind the corner
x=1.2
y=0.3
