* A shock tube 0<=x<=1 (plane), closed at both ends: at t=0 a diaphragm
* at x=0.5 separates gas at rest with ro=1, p=1 on the left from gas with
* ro=0.125, p=0.1 on the right (gamma 1.4). Breaking it sends a shock to
* the right (speed 1.75), a contact behind it and a rarefaction to the
* left. At t=0.2 the shock stands at x=0.85, the contact at 0.69 and the
* head of the rarefaction at 0.26; the ends are reached near t=0.28.
ntel=2          * two subregions: the two sides of the diaphragm
m=4             * quadrilaterals
tipm=2          * generator 2 for the left side: a block through 8 points
rz=0 0  0 .05  0 .1     * P1, P2, P3: the closed end x=0, upwards
   .25 .1  .5 .1        * P4, P5: the top side
   .5 .05  .5 0  .25 0  * P6, P7, P8: the diaphragm, the bottom side
nksi=40         * 40 cells along the left half: 0.0125 each
neta=4          * 4 cells across the tube: 0.025 each
turn=0 0 0 0 0  * no turn, no shift
nyt=0           * no refinement
rzcor=0         * no smoothing of the subregion
tipm=2          * generator 2 for the right side
rz=.5 0  .5 .05  .5 .1  * P1, P2, P3: the diaphragm, upwards
   .75 .1  1 .1         * P4, P5: the top side
   1 .05  1 0  .75 0    * P6, P7, P8: the closed end x=1, the bottom
nksi=40         * 40 cells along the right half
neta=4          * 4 cells across
turn=0 0 0 0 0  * no turn, no shift
nyt=0           * no refinement
rzcor=0         * no smoothing
skl=1           * one box where the subregions are glued:
m=.49 -1 .51 1  * around the diaphragm
scale=1 1       * no scaling
rzcor=0         * no smoothing of the whole mesh
symmetry=2      * a plane task
tfz=0           * no thermal gravity
ro=0            * no density prescribed on the boundary
wall=1          * one box of slip walls:
m=-1 -1 2 1     * the whole boundary: the gas stays in the tube
vr=0            * no x velocity prescribed
tvr=0           * so no time table for it
vz=0            * no y velocity prescribed
tvz=0           * and no time table
ee=0            * no energy prescribed
qn=0            * no heat flux
p=0             * no pressure prescribed
psi=0           * the stream function is 0 at the first boundary node
adaption=0      * no mesh adaption
wr=0            * no wr conditions
wz=0            * no wz conditions
gam=1.4         * the left side: air
nu=0            * inviscid
kk=0            * no heat conduction
f0=1 0 0 2.5 1  * ro=1 at rest, ee=2.5: p=0.4*1*2.5=1
gam=1.4         * the right side: air too
nu=0
kk=0
f0=.125 0 0 2 .1        * ro=0.125, ee=2: p=0.4*0.125*2=0.1
cur=0.4         * 0.4 of the stable step (with the sound speed)
bet=0           * centre coefficient, not used
sgl=0 0 0       * smoothing coefficients, not used
gstr4=0         * the energies are those of f0
nthist=200      * up to 200 points per history curve
nhist=2         * two history graphs:
f=1             * the density ...
x=0.7           * ... where the contact and then the shock pass
y=0.05
f=5             * the pressure ...
x=0.3           * ... where the rarefaction passes
y=0.05
