# n-body: the Jovian planets and the sun, integrated for n steps of 0.01 by the
# simple symplectic step; the total energy before and after.
import math
import sys

PI = 3.141592653589793
SM = 4 * PI * PI
DPY = 365.24

# the sun, Jupiter, Saturn, Uranus and Neptune: position, velocity, mass
BODIES = [
    (0, 0, 0, 0, 0, 0, SM),
    (4.84143144246472090e+00, -1.16032004402742839e+00, -1.03622044471123109e-01,
     1.66007664274403694e-03 * DPY, 7.69901118419740425e-03 * DPY, -6.90460016972063023e-05 * DPY,
     9.54791938424326609e-04 * SM),
    (8.34336671824457987e+00, 4.12479856412430479e+00, -4.03523417114321381e-01,
     -2.76742510726862411e-03 * DPY, 4.99852801234917238e-03 * DPY, 2.30417297573763929e-05 * DPY,
     2.85885980666130812e-04 * SM),
    (1.28943695621391310e+01, -1.51111514016986312e+01, -2.23307578892655734e-01,
     2.96460137564761618e-03 * DPY, 2.37847173959480950e-03 * DPY, -2.96589568540237556e-05 * DPY,
     4.36624404335156298e-05 * SM),
    (1.53796971148509165e+01, -2.59193146099879641e+01, 1.79258772950371181e-01,
     2.68067772490389322e-03 * DPY, 1.62824170038242295e-03 * DPY, -9.51592254519715870e-05 * DPY,
     5.15138902046611451e-05 * SM),
]


def main():
    n = int(sys.argv[1]) if len(sys.argv) > 1 else 1000
    x, y, z, vx, vy, vz, m = (list(c) for c in zip(*BODIES))
    nb = len(m)
    # the sun moves so that the total momentum is zero
    px = py = pz = 0.0
    for i in range(nb):
        px += vx[i] * m[i]
        py += vy[i] * m[i]
        pz += vz[i] * m[i]
    vx[0], vy[0], vz[0] = -px / SM, -py / SM, -pz / SM

    def energy():
        e = 0.0
        for i in range(nb):
            e += 0.5 * m[i] * (vx[i] * vx[i] + vy[i] * vy[i] + vz[i] * vz[i])
            for j in range(i + 1, nb):
                dx, dy, dz = x[i] - x[j], y[i] - y[j], z[i] - z[j]
                e -= m[i] * m[j] / math.sqrt(dx * dx + dy * dy + dz * dz)
        return e

    dt = 0.01
    sqrt = math.sqrt
    print("%0.9f" % energy())
    for _ in range(n):
        for i in range(nb):
            for j in range(i + 1, nb):
                dx, dy, dz = x[i] - x[j], y[i] - y[j], z[i] - z[j]
                d2 = dx * dx + dy * dy + dz * dz
                mag = dt / (d2 * sqrt(d2))
                mi, mj = m[i] * mag, m[j] * mag
                vx[i] -= dx * mj
                vy[i] -= dy * mj
                vz[i] -= dz * mj
                vx[j] += dx * mi
                vy[j] += dy * mi
                vz[j] += dz * mi
        for i in range(nb):
            x[i] += dt * vx[i]
            y[i] += dt * vy[i]
            z[i] += dt * vz[i]
    print("%0.9f" % energy())


main()
