/*$$panel:Global$$*/
/*$$panel:Plots$$*/
/* The help examples of fit and fft in the plot window: the fit on the
   first tab, the spectrum of a scrolling noise on the second (the fft
   example with 200 passes instead of an endless loop). */
for(i=0;i<500;i+=1;
 x=i/30,
 xdata[i]=x,
 ydata[i]=3.5*(x-4)^2+60*random()-30
),
p[0]=1, p[1]=-1,
fit(xdata[];ydata[];p[];x;p[0]*(x-p[1])^2;0;0;chi),
plotxy(0;0;xdata[];ydata[]),
plot(0;1;x;p[0]*(x-p[1])^2;0;500/30;100),
plottitle(0;'fit'),
plotaxis(0;'x';'y'),
ftime=1,
plotautoscale(1;1;0),
for(k=0;k<200;k+=1;
 scroll(a[];random();80),
 fft(0;a[];2;2;0;norm[];0;0;0),
 plotxy(1;0;0;norm[]),
 if(ftime;plotview(1;0;0;0;0.08),ftime=0;0)
),
plottitle(1;'fft'),
string('ok: ')+string(p[0])+' '+string(p[1])
