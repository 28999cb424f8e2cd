/* n-body: the Jovian planets and the sun, integrated for n steps of 0.01
   days' years (n is set before this text) by the simple symplectic step;
   the total energy before and after. */
pi=3.141592653589793, sm=4*pi*pi, dpy=365.24, nb=5,
/* the sun, Jupiter, Saturn, Uranus and Neptune */
x[0]=0, y[0]=0, z[0]=0, vx[0]=0, vy[0]=0, vz[0]=0, m[0]=sm,
x[1]=4.84143144246472090e+00, y[1]=-1.16032004402742839e+00, z[1]=-1.03622044471123109e-01,
vx[1]=1.66007664274403694e-03*dpy, vy[1]=7.69901118419740425e-03*dpy, vz[1]=-6.90460016972063023e-05*dpy,
m[1]=9.54791938424326609e-04*sm,
x[2]=8.34336671824457987e+00, y[2]=4.12479856412430479e+00, z[2]=-4.03523417114321381e-01,
vx[2]=-2.76742510726862411e-03*dpy, vy[2]=4.99852801234917238e-03*dpy, vz[2]=2.30417297573763929e-05*dpy,
m[2]=2.85885980666130812e-04*sm,
x[3]=1.28943695621391310e+01, y[3]=-1.51111514016986312e+01, z[3]=-2.23307578892655734e-01,
vx[3]=2.96460137564761618e-03*dpy, vy[3]=2.37847173959480950e-03*dpy, vz[3]=-2.96589568540237556e-05*dpy,
m[3]=4.36624404335156298e-05*sm,
x[4]=1.53796971148509165e+01, y[4]=-2.59193146099879641e+01, z[4]=1.79258772950371181e-01,
vx[4]=2.68067772490389322e-03*dpy, vy[4]=1.62824170038242295e-03*dpy, vz[4]=-9.51592254519715870e-05*dpy,
m[4]=5.15138902046611451e-05*sm,
/* the sun moves so that the total momentum is zero */
px=0, py=0, pz=0,
for(i=0;i<nb;i+=1; px+=vx[i]*m[i], py+=vy[i]*m[i], pz+=vz[i]*m[i]),
vx[0]=-px/sm, vy[0]=-py/sm, vz[0]=-pz/sm,
define(energy(nb;x[];y[];z[];vx[];vy[];vz[];m[]);
  e=0,
  for(i=0;i<nb;i+=1;
    e+=0.5*m[i]*(vx[i]*vx[i]+vy[i]*vy[i]+vz[i]*vz[i]),
    for(j=i+1;j<nb;j+=1;
      dx=x[i]-x[j], dy=y[i]-y[j], dz=z[i]-z[j],
      e-=m[i]*m[j]/sqrt(dx*dx+dy*dy+dz*dz)
    )
  ),
  e
),
println(strzero(energy(nb;x[];y[];z[];vx[];vy[];vz[];m[]);0;9)),
dt=0.01,
for(s=0;s<n;s+=1;
  for(i=0;i<nb;i+=1;
    for(j=i+1;j<nb;j+=1;
      dx=x[i]-x[j], dy=y[i]-y[j], dz=z[i]-z[j],
      d2=dx*dx+dy*dy+dz*dz, mag=dt/(d2*sqrt(d2)),
      mi=m[i]*mag, mj=m[j]*mag,
      vx[i]-=dx*mj, vy[i]-=dy*mj, vz[i]-=dz*mj,
      vx[j]+=dx*mi, vy[j]+=dy*mi, vz[j]+=dz*mi
    )
  ),
  for(i=0;i<nb;i+=1; x[i]+=dt*vx[i], y[i]+=dt*vy[i], z[i]+=dt*vz[i])
),
strzero(energy(nb;x[];y[];z[];vx[];vy[];vz[];m[]);0;9)
