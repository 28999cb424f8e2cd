/* Talks to the instrument on serial port 0: start
   examples/instruments/serial_instrument.py and set OSTRA_SERIAL_0 to the
   device it prints. */
if(not(commopen(0;'baud=115200 parity=N stop=1 data=8';1000));
 println('port 0 did not open: is OSTRA_SERIAL_0 set?'), 0;
 commlineterm(0;chr(13)+chr(10)),
 commwrite(0;'*IDN?'+chr(13)),
 println('instrument: '+string(commreadln(0))),
 for(i=0;i<5;i+=1;
  commwrite(0;'MEAS?'+chr(13)),
  v[i]=number(commreadln(0)),
  println('reading '+string(i)+': '+str(v[i];10;6)+' V')
 ),
 println('mean: '+str(mean(v[]);10;6)+' V'),
 commwrite(0;'CURVE?'+chr(13)),
 commreadbin(0;curve[];64),
 println('curve: '+string(length(curve[]))+' bytes, largest '+string(arraymax(curve[]))),
 commclose(0),
 mean(v[])
)
