-- mandelbrot: the Mandelbrot set from -1.5-i to 0.5+i on an n x n bitmap, a
-- point inside when |z| stays at most 2 for 50 iterations of z = z^2+c,
-- written as a portable bitmap (P4): eight pixels a byte, the first one in
-- the highest bit, each row padded. Lua 5.4 and LuaJIT.
local n = tonumber(arg[1]) or 200
local write, char = io.write, string.char
write("P4\n", n, " ", n, "\n")
for y = 0, n - 1 do
  local ci = 2 * y / n - 1
  local row, bits, k = {}, 0, 0
  for x = 0, n - 1 do
    local cr = 2 * x / n - 1.5
    local zr, zi, tr, ti, i = 0, 0, 0, 0, 0
    while i < 50 and tr + ti <= 4 do
      zi = 2 * zr * zi + ci
      zr = tr - ti + cr
      tr = zr * zr
      ti = zi * zi
      i = i + 1
    end
    bits = bits * 2 + (tr + ti <= 4 and 1 or 0)
    k = k + 1
    if k == 8 then
      row[#row + 1] = char(bits)
      bits, k = 0, 0
    end
  end
  if k > 0 then row[#row + 1] = char(bits * 2 ^ (8 - k)) end
  write(table.concat(row))
end
