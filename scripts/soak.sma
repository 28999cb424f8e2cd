/*$$panel:Global$$*/

/*$$panel:Soak$$*/
/* The macro of make soak (scripts/soak.py puts in the UDP port): 1000 lines
   a second to the output window; ten times a second a reading from the
   serial instrument and one from the UDP peer, shown on the panel's display,
   the history curve replaced and one of five more curves drawn anew; until
   Break. */
loadgui(0;'motor.gui'),
commopen(0;'baud=115200 parity=N stop=1 data=8';1000),
commlineterm(0;chr(13)+chr(10)),
udpcreate(0;'127.0.0.1';@PORT@;1000),
t0=gettime(), n=0, c=0,
while(1;
 for(j=0;j<100;j+=1;
  println('reading '+string(n)+' at '+string(gettime()-t0)+' ms: '+string(sin(n/1000))),
  n+=1
 ),
 commwrite(0;'MEAS?'+chr(13)),
 v=number(commreadln(0)),
 udpsendstring(0;'MEAS?'),
 u=number(udpreceivestring(0)),
 setproperty(0;2;0;str(v;10;6)+' V'),
 scroll(hist[];v+u;500),
 plotxy(0;0;0;hist[]),
 c+=1, if(c>5;c=1;0),
 plot(0;c;x;sin(x+n/1000)+u;0;6.3;200),
 d=n-(gettime()-t0),
 if(d>0;sleep(d);0)
)
