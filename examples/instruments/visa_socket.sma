/* The simulated LAN oscilloscope over raw SCPI (port 5025): start
   examples/instruments/lan_oscilloscope.py first. The same macro serves
   every kind of instrument: only the resource differs. */
resource='TCPIP::127.0.0.1::5025::SOCKET',
if(visaopen(0;resource;5000);
 println('scope: '+visaquery(0;'*IDN?')),
 println('reading: '+visaquery(0;'MEAS?')),
 visawrite(0;'CURV?'),
 n=visareadblock(0;curve[]),
 println('curve: '+string(n)+' points'),
 plottitle(0;'CURV? over '+resource),
 plotxy(0;0;0;curve[]),
 println('SLOW? answers after 10 s: press Break (F4) to stop the wait'),
 visatimeout(0;0),
 println('slow: '+visaquery(0;'SLOW?')),
 n;
 println('no instrument at '+resource+': is lan_oscilloscope.py running?'),
 0
)
