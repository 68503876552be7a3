* Viscous flow between two plates (plane), for the implicit velocity
* scheme: gas at rest between the plates y=0 and y=1 is driven by an
* inflow of velocity 0.1 at x=0 (Mach 0.027) and leaves at x=4 at the
* pressure 10. The plates hold the gas still (no slip): with the
* viscosity nu=0.02 the profile grows within about one channel width
* into the parabola of steady flow between plates, u=0.57*y*(1-y) for
* the mean velocity 0.095 that enters (the inflow velocity falls to 0
* across the cell next to each plate). A pressure drop of about 0.11
* (1%) drives it; the density stays within 1% of 1. The inflow holds
* density and velocity and leaves its pressure to the flow; the outflow
* holds only the pressure. The euler scheme reads and runs the same data
* without viscosity.
ntel=1          * one subregion
m=4             * quadrilaterals
tipm=2          * generator 2: the channel as a block
rz=0 0  0 .5  0 1       * P1, P2, P3: the inflow x=0, upwards
   2 1  4 1             * P4, P5: the upper plate
   4 .5  4 0  2 0       * P6, P7, P8: the outflow x=4, the lower plate
nksi=40         * 40 cells along x: 0.1 each
neta=20         * 20 cells across: 0.05 each
turn=0 0 0 0 0  * no turn, no shift
nyt=0           * no refinement
rzcor=0         * no smoothing
skl=0           * one subregion: nothing to glue
scale=1 1       * no scaling
rzcor=0         * no smoothing of the whole mesh
symmetry=2      * a plane task
tfz=0           * no thermal gravity
ro=1            * one interval of prescribed density:
m=0 0 0 1 1 1   * the inflow
wall=0          * no slip walls: the plates hold the velocity
vr=3            * three intervals of prescribed x velocity:
m=0 0 4 0 0 0   * the lower plate: 0
m=0 1 4 1 0 0   * the upper plate: 0
m=0 .01 0 .99 .1 .1     * the inflow between them: 0.1
tvr=2           * their time table:
m=0 1 1 1       * multiplier 1
vz=3            * three intervals of prescribed y velocity:
m=0 0 4 0 0 0   * the lower plate: 0
m=0 1 4 1 0 0   * the upper plate: 0
m=0 0 0 1 0 0   * the inflow: 0
tvz=2           * their time table:
m=0 1 1 1       * multiplier 1
ee=0            * no prescribed energy: the inflow's pressure follows the flow
qn=0            * no heat flux through the plates
p=1             * one interval of prescribed pressure:
m=4 0 4 1 10 10 * the outflow
psi=0           * the stream function is 0 at the first boundary node
adaption=0      * no mesh adaption
wr=0            * no wr conditions
wz=0            * no wz conditions
gam=1.4         * air
nu=0.02         * kinematic viscosity
kk=0.02         * heat transfer coefficient (a Prandtl number of 1)
f0=1 0 0 25 10  * gas at rest with p=0.4*1*25=10 (sound speed 3.7)
cur=0.4         * 0.4 of the stable step
bet=0           * centre coefficient, not used
sgl=0 0 0       * smoothing coefficients, not used
gstr4=0         * the energies are those of f0
nthist=200      * up to 200 points per history curve
nhist=2         * two history graphs:
f=2             * the x velocity in the middle of the channel ...
x=3             * ... near the outflow
y=0.5
f=2             * and near the lower plate
x=3
y=0.1
