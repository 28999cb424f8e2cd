/*$$panel:Global$$*/
/* Global: definitions shared by every calculator panel */
define(sq(x); x*x),
define(fact(n); if(n<=1; 1; n*fact(n-1))),
$runs = 0
/*$$panel:Tour$$*/
/* A short tour of the Ostra Calculator.
   Press F2 (or the keypad's Enter) to run this panel. */
cleartext(),
println('The Ostra Calculator - demo'),
println('---------------------------'),
a = 2,
print('a^10 = '), println(a^10),
print('sq(12) = '), println(sq(12)),
print('factorials:'),
for(i = 1; i <= 8; i += 1; print(' '), print(fact(i))),
println(''),
/* loops: sum the odd numbers below 100 */
s = 0, k = 1,
while(k < 100; s += k, k += 2),
print('sum of the odd numbers below 100 = '), println(s),
/* hexadecimal and binary constants */
print('0xff + 0b101 = '), println(0xff + 0b101),
$runs += 1,
print('runs: '), println($runs),
a*3
/*$$panel:Radix$$*/
/* Switch the radix box to Hexadecimal and press F2 */
255
