-- n-body: the Jovian planets and the sun, integrated for n steps of 0.01 by
-- the simple symplectic step; the total energy before and after. Lua 5.4 and
-- LuaJIT.
local pi = 3.141592653589793
local sm = 4 * pi * pi
local dpy = 365.24

-- the sun, Jupiter, Saturn, Uranus and Neptune: position, velocity, mass
local bodies = {
  {0, 0, 0, 0, 0, 0, sm},
  {4.84143144246472090e+00, -1.16032004402742839e+00, -1.03622044471123109e-01,
   1.66007664274403694e-03 * dpy, 7.69901118419740425e-03 * dpy, -6.90460016972063023e-05 * dpy,
   9.54791938424326609e-04 * sm},
  {8.34336671824457987e+00, 4.12479856412430479e+00, -4.03523417114321381e-01,
   -2.76742510726862411e-03 * dpy, 4.99852801234917238e-03 * dpy, 2.30417297573763929e-05 * dpy,
   2.85885980666130812e-04 * sm},
  {1.28943695621391310e+01, -1.51111514016986312e+01, -2.23307578892655734e-01,
   2.96460137564761618e-03 * dpy, 2.37847173959480950e-03 * dpy, -2.96589568540237556e-05 * dpy,
   4.36624404335156298e-05 * sm},
  {1.53796971148509165e+01, -2.59193146099879641e+01, 1.79258772950371181e-01,
   2.68067772490389322e-03 * dpy, 1.62824170038242295e-03 * dpy, -9.51592254519715870e-05 * dpy,
   5.15138902046611451e-05 * sm},
}
local nb = #bodies
local x, y, z, vx, vy, vz, m = {}, {}, {}, {}, {}, {}, {}
for i, b in ipairs(bodies) do
  x[i], y[i], z[i], vx[i], vy[i], vz[i], m[i] = b[1], b[2], b[3], b[4], b[5], b[6], b[7]
end

-- the sun moves so that the total momentum is zero
local px, py, pz = 0, 0, 0
for i = 1, nb do
  px = px + vx[i] * m[i]
  py = py + vy[i] * m[i]
  pz = pz + vz[i] * m[i]
end
vx[1], vy[1], vz[1] = -px / sm, -py / sm, -pz / sm

local function energy()
  local e = 0
  for i = 1, nb do
    e = e + 0.5 * m[i] * (vx[i] * vx[i] + vy[i] * vy[i] + vz[i] * vz[i])
    for j = i + 1, nb do
      local dx, dy, dz = x[i] - x[j], y[i] - y[j], z[i] - z[j]
      e = e - m[i] * m[j] / math.sqrt(dx * dx + dy * dy + dz * dz)
    end
  end
  return e
end

local n = tonumber(arg[1]) or 1000
local dt = 0.01
local sqrt = math.sqrt
io.write(string.format("%0.9f\n", energy()))
for _ = 1, n do
  for i = 1, nb do
    for j = i + 1, nb do
      local dx, dy, dz = x[i] - x[j], y[i] - y[j], z[i] - z[j]
      local d2 = dx * dx + dy * dy + dz * dz
      local mag = dt / (d2 * sqrt(d2))
      local mi, mj = m[i] * mag, m[j] * mag
      vx[i], vy[i], vz[i] = vx[i] - dx * mj, vy[i] - dy * mj, vz[i] - dz * mj
      vx[j], vy[j], vz[j] = vx[j] + dx * mi, vy[j] + dy * mi, vz[j] + dz * mi
    end
  end
  for i = 1, nb do
    x[i], y[i], z[i] = x[i] + dt * vx[i], y[i] + dt * vy[i], z[i] + dt * vz[i]
  end
end
io.write(string.format("%0.9f\n", energy()))
