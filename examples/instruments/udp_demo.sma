/* Talks to the measurement peer on 127.0.0.1 port 5025: start
   examples/instruments/udp_peer.py first. */
udpcreate(0;'127.0.0.1';5025;1000),
udpsendstring(0;'*IDN?'),
id=udpreceivestring(0),
if(length(id)==0;
 println('no answer from 127.0.0.1:5025: is udp_peer.py running?'), 0;
 println('peer: '+id),
 for(i=0;i<5;i+=1;
  udpsendstring(0;'MEAS?'),
  v[i]=number(udpreceivestring(0)),
  println('reading '+string(i)+': '+str(v[i];10;6))
 ),
 udpsendstring(0;'SCAN?'),
 n=udpreceivebin(0;scan[]),
 println('scan: '+string(n)+' bytes, peak at '+string(seekmax(scan[]))),
 udpclose(0),
 seekmax(scan[])
)
