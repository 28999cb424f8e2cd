-- spectral-norm: the spectral norm of the infinite matrix A with
-- a(i,j) = 1/((i+j)(i+j+1)/2+i+1) (from 0), from ten steps of the power
-- method on A'A over its first n rows and columns. Lua 5.4 and LuaJIT.
local function a(i, j)
  local ij = i + j
  return 1 / (ij * (ij + 1) / 2 + i + 1)
end

local function mulav(n, v, av)
  for i = 0, n - 1 do
    local s = 0
    for j = 0, n - 1 do s = s + a(i, j) * v[j + 1] end
    av[i + 1] = s
  end
end

local function mulatv(n, v, atv)
  for i = 0, n - 1 do
    local s = 0
    for j = 0, n - 1 do s = s + a(j, i) * v[j + 1] end
    atv[i + 1] = s
  end
end

local function mulatav(n, v, atav, t)
  mulav(n, v, t)
  mulatv(n, t, atav)
end

local n = tonumber(arg[1]) or 100
local u, v, t = {}, {}, {}
for i = 1, n do u[i], v[i], t[i] = 1, 0, 0 end
for _ = 1, 10 do
  mulatav(n, u, v, t)
  mulatav(n, v, u, t)
end
local vbv, vv = 0, 0
for i = 1, n do
  vbv = vbv + u[i] * v[i]
  vv = vv + v[i] * v[i]
end
io.write(string.format("%0.9f\n", math.sqrt(vbv / vv)))
