# spectral-norm: the spectral norm of the infinite matrix A with
# a(i,j) = 1/((i+j)(i+j+1)/2+i+1), from ten steps of the power method on A'A
# over its first n rows and columns.
import math
import sys


def a(i, j):
    ij = i + j
    return 1 / (ij * (ij + 1) / 2 + i + 1)


def mulav(n, v, av):
    for i in range(n):
        s = 0.0
        for j in range(n):
            s += a(i, j) * v[j]
        av[i] = s


def mulatv(n, v, atv):
    for i in range(n):
        s = 0.0
        for j in range(n):
            s += a(j, i) * v[j]
        atv[i] = s


def mulatav(n, v, atav, t):
    mulav(n, v, t)
    mulatv(n, t, atav)


def main():
    n = int(sys.argv[1]) if len(sys.argv) > 1 else 100
    u, v, t = [1.0] * n, [0.0] * n, [0.0] * n
    for _ in range(10):
        mulatav(n, u, v, t)
        mulatav(n, v, u, t)
    vbv = sum(ui * vi for ui, vi in zip(u, v))
    vv = sum(vi * vi for vi in v)
    print("%0.9f" % math.sqrt(vbv / vv))


main()
