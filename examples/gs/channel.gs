* Supersonic flow over a bump in a channel (plane), on a grid of
* generator 5 in quadrilaterals: the inlet side bulges into the channel,
* so that the straight start lines cross and the iteration untangles the
* grid. Air at Mach 2 (ro=1.4, p=1: sound speed 1, velocity 2) enters
* through the inlet; the bump in the floor (3<=x<=5, up to y=0.8) sends
* an oblique shock up to the ceiling, which reflects it, and the flow
* turns back to the floor behind the bump through an expansion fan.
ntel=1          * one subregion
m=4             * quadrilaterals
tipm=5          * generator 5
pic=0           * no drawing while the grid is improved
nksi=16         * cells along the channel (sides 2 and 4)
neta=6          * cells across it (sides 1 and 3)
ng=3        * side 1: the inlet, bulging to r=0.8
grz=0.0000 0.0000  0.8000 1.5000  0.0000 3.0000
ng=2        * side 2: the ceiling
grz=0.0000 3.0000  8.0000 3.0000
ng=2        * side 3: the outlet, downwards
grz=8.0000 3.0000  8.0000 0.0000
ng=7        * side 4: the floor with its bump
grz=8.0000 0.0000  5.0000 0.0000  4.5000 0.3000  4.0000 0.8000
    3.5000 0.3000  3.0000 0.0000  0.0000 0.0000
turn=0 0 0 0 0  * no turn, no shift
nyt=0           * quadrilaterals are not refined
rzcor=0         * no smoothing
skl=0           * no glue zones
scale=1 1       * no scaling
rzcor=0         * no smoothing of the whole mesh
symmetry=2      * a plane task
tfz=0           * no thermal gravity
ro=1            * one interval of prescribed density:
m=0 .01 .8 2.99 1.4 1.4 * the inlet: every node of the box (0,.01)-(.8,2.99)
wall=1          * one box of slip walls:
m=.01 -1 7.99 4 * floor, bump and ceiling (not the inlet nor the outlet)
vr=1            * one interval of prescribed x velocity:
m=0 .01 .8 2.99 2 2     * the inlet: 2
tvr=2           * its time table:
m=0 1 1 1       * multiplier 1 at all times
vz=1            * one interval of prescribed y velocity:
m=0 .01 .8 2.99 0 0     * the inlet: 0
tvz=2           * its time table:
m=0 1 1 1       * multiplier 1
ee=1            * one interval of prescribed energy:
m=0 .01 .8 2.99 1.7857 1.7857 * the inlet: p/(0.4*ro)
qn=0            * no heat flux
p=0             * the supersonic outlet needs no condition
psi=0           * the stream function is 0 at the first boundary node
adaption=0      * no mesh adaption
wr=0            * no wr conditions
wz=0            * no wz conditions
gam=1.4         * air
nu=0            * inviscid
kk=0            * no heat conduction
f0=1.4 2 0 1.7857 1     * the inflow state fills the channel at t=0
cur=0.4         * 0.4 of the stable step (with the sound speed)
bet=0           * centre coefficient, not used
sgl=0 0 0       * smoothing coefficients, not used
gstr4=0         * the energies are those of f0
nthist=200      * up to 200 points per history curve
nhist=2         * two history graphs:
f=1             * the density on the bump
x=4
y=1
f=8             * the Mach number behind it
x=6
y=0.5
