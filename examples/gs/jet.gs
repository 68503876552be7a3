* An axisymmetric jet from a nozzle: air leaves a nozzle of radius 0.2
* in the wall z=0 at velocity 1.5 (Mach 1.27, the sound speed is 1.18)
* with the pressure of the still air around it (p=1) and runs along the
* axis r=0 into the cylinder 0<=r<=1, 0<=z<=3. The jet's edge rolls up
* into vortices and its head pushes a shock ahead of it.
ntel=1          * one subregion
m=4             * quadrilaterals
tipm=2          * generator 2: the meridian plane r, z as a block
rz=0 0  0 1.5  0 3      * P1, P2, P3: the axis r=0, upwards
   .5 3  1 3            * P4, P5: the outflow z=3
   1 1.5  1 0  .5 0     * P6, P7, P8: the outer wall r=1, the bottom z=0
nksi=20         * 20 cells along r: 0.05 each
neta=60         * 60 cells along z: 0.05 each
turn=0 0 0 0 0  * no turn, no shift
nyt=0           * no refinement
rzcor=0         * no smoothing
skl=0           * one subregion: nothing to glue
scale=1 1       * no scaling
rzcor=0         * no smoothing of the whole mesh
symmetry=1      * axisymmetric: x is the radius r, y the axis z
tfz=0           * no thermal gravity
ro=1            * one interval of prescribed density:
m=0 0 .2 0 1 1  * the nozzle
wall=1          * one box of slip walls:
m=.2 -1 2 2.99  * the bottom beside the nozzle and the outer wall r=1
vr=2            * two intervals of prescribed radial velocity:
m=0 0 0 3 0 0   * the axis: 0
m=0 0 .2 0 0 0  * the nozzle: 0
tvr=2           * their time table:
m=0 1 1 1       * multiplier 1
vz=1            * one interval of prescribed axial velocity:
m=0 0 .2 0 1.5 1.5      * the nozzle: 1.5
tvz=2           * its time table:
m=0 1 1 1       * multiplier 1 from t=0
ee=1            * one interval of prescribed energy:
m=0 0 .2 0 2.5 2.5      * the nozzle: p=0.4*1*2.5=1
qn=0            * no heat flux
p=1             * one interval of prescribed pressure:
m=0 3 1 3 1 1   * the outflow z=3 stays at the pressure of still air
psi=0           * the stream function is 0 on the axis at z=0
adaption=0      * no mesh adaption
wr=0            * no wr conditions
wz=0            * no wz conditions
gam=1.4         * air
nu=0            * inviscid
kk=0            * no heat conduction
f0=1 0 0 2.5 1  * still air with p=1
cur=0.4         * 0.4 of the stable step (with the sound speed)
bet=0           * centre coefficient, not used
sgl=0 0 0       * smoothing coefficients, not used
gstr4=0         * the energies are those of f0
nthist=200      * up to 200 points per history curve
nhist=2         * two history graphs:
f=3             * the axial velocity on the axis ...
x=0             * ... one nozzle diameter downstream
y=0.4
f=5             * the pressure near the outer wall
x=0.9
y=1.5
