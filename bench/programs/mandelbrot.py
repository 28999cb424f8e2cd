# mandelbrot: the Mandelbrot set from -1.5-i to 0.5+i on an n x n bitmap, a
# point inside when |z| stays at most 2 for 50 iterations of z = z^2+c,
# written as a portable bitmap (P4): eight pixels a byte, the first one in the
# highest bit, each row padded.
import sys


def main():
    n = int(sys.argv[1]) if len(sys.argv) > 1 else 200
    out = sys.stdout.buffer
    out.write(b"P4\n%d %d\n" % (n, n))
    for y in range(n):
        ci = 2 * y / n - 1
        row = bytearray()
        bits = k = 0
        for x in range(n):
            cr = 2 * x / n - 1.5
            zr = zi = tr = ti = 0.0
            i = 0
            while i < 50 and tr + ti <= 4:
                zi = 2 * zr * zi + ci
                zr = tr - ti + cr
                tr = zr * zr
                ti = zi * zi
                i += 1
            bits = bits * 2 + (tr + ti <= 4)
            k += 1
            if k == 8:
                row.append(bits)
                bits = k = 0
        if k > 0:
            row.append(bits << (8 - k))
        out.write(row)


main()
