/* Talks to the GPIB device at address 5: set OSTRA_GPIB_LIBRARY to your
   driver, or to the stand-in library build/lib/libostra_gpib_standin.so. */
if(not(gpibprintln(5;'*IDN?'));
 println('no GPIB device at address 5 (status '+string(gpibsta())+')'), 0;
 id=gpibreadln(5),
 println('device: '+substr(id;0;length(id)-1)),  /* without its line end */
 gpibtimeout(5;10),
 for(i=0;i<5;i+=1;
  gpibprintln(5;'READ?'),
  v[i]=number(gpibreadln(5)),
  println('reading '+string(i)+': '+string(v[i]))
 ),
 b[0]=1, b[1]=2, b[2]=3,
 gpibwritebin(5;b[]),
 gpibprintln(5;'LAST?'),
 gpibreadbin(5;back[];16),
 println('echoed block: '+string(length(back[]))+' bytes'),
 mean(v[])
)
