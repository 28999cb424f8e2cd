/* mandelbrot: the Mandelbrot set from -1.5-i to 0.5+i on an n x n bitmap
   (n is set before this text), a point inside when |z| stays at most 2 for
   50 iterations of z = z^2+c, written as a portable bitmap (P4): eight
   pixels a byte, the first one in the highest bit, each row padded. */
print('P4'+chr(10)+string(n)+' '+string(n)+chr(10)),
for(y=0;y<n;y+=1;
  ci=2*y/n-1, row='', bits=0, k=0,
  for(x=0;x<n;x+=1;
    cr=2*x/n-1.5, zr=0, zi=0, tr=0, ti=0, i=0,
    while(i<50 & tr+ti<=4;
      zi=2*zr*zi+ci, zr=tr-ti+cr, tr=zr*zr, ti=zi*zi, i+=1
    ),
    bits=bits*2+(tr+ti<=4), k+=1,
    if(k==8; row+=chr(bits), bits=0, k=0; 0)
  ),
  if(k>0; row+=chr(bits*2^(8-k)); 0),
  print(row)
),
''
