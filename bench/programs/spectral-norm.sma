/* spectral-norm: the spectral norm of the infinite matrix A with
   a(i;j) = 1/((i+j)(i+j+1)/2+i+1), from ten steps of the power method on
   A'A over its first n rows and columns (n is set before this text). */
define(a(i;j); 1/((i+j)*(i+j+1)/2+i+1)),
/* av = A v and atv = A' v */
define(mulav(n;v[];av[]); for(i=0;i<n;i+=1; s=0, for(j=0;j<n;j+=1; s+=a(i;j)*v[j]), av[i]=s)),
define(mulatv(n;v[];atv[]); for(i=0;i<n;i+=1; s=0, for(j=0;j<n;j+=1; s+=a(j;i)*v[j]), atv[i]=s)),
define(mulatav(n;v[];atav[]); t[n-1]=0, mulav(n;v[];t[]), mulatv(n;t[];atav[])),
for(i=0;i<n;i+=1; u[i]=1, v[i]=0),
for(k=0;k<10;k+=1; mulatav(n;u[];v[]), mulatav(n;v[];u[])),
vbv=0, vv=0,
for(i=0;i<n;i+=1; vbv+=u[i]*v[i], vv+=v[i]*v[i]),
strzero(sqrt(vbv/vv);0;9)
