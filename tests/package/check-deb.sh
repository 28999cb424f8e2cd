#!/usr/bin/env bash
# Checks a Debian package of the calculator the way an installation sees it:
# unpacked into a scratch root (dpkg -x), its files must be in their places
# and nothing else, its dependencies declared, the installed runner must run a
# program, an installed example and (with the desktop parts) paint a plot
# through its picture writer plugin, loading Qt only then, and the manual
# must be where Help > User Manual looks for it.
#   tests/package/check-deb.sh build/package/ostracalc_VERSION_ARCH.deb [BUILD]
# With BUILD, the installed manual must also be the one that build wrote.
set -euo pipefail
deb=${1:?usage: check-deb.sh PACKAGE.deb [BUILD]}
build=${2:-$(dirname "$(dirname "$deb")")}
[ -f "$deb" ] || { echo "check-deb: no package $deb" >&2; exit 1; }

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# ok ends a group of checks: it says so when none of them failed.
passed=0
ok() { [ $failures -gt $passed ] || echo "ok: $*"; passed=$failures; }

dpkg -x "$deb" "$root"
docs=usr/share/doc/ostracalc
gui=0
[ -e "$root/usr/bin/ostracalc" ] && gui=1

# The files: each expected one, and nothing outside the expected places
# (no test programs, no caches that dpkg's triggers own).
expected=(usr/bin/ostracalc-cli "$docs/examples/demo.sma" "$docs/examples/motor.gui"
          "$docs/examples/instruments/serial_instrument.py" "$docs/examples/instruments/udp_peer.py")
# The runner's picture writer, in the installed library folder.
plugin=$(cd "$root" && find usr/lib -path '*/ostracalc/ostracalc-plots.so' 2>/dev/null | head -n 1 || true)
[ $gui = 1 ] && expected+=("${plugin:-usr/lib/ostracalc/ostracalc-plots.so}" usr/bin/ostracalc "$docs/ostracalc.pdf"
                           usr/share/applications/ostracalc.desktop
                           usr/share/mime/packages/ostracalc-sma.xml
                           usr/share/icons/hicolor/scalable/apps/ostracalc.svg)
for f in "${expected[@]}"; do [ -f "$root/$f" ] || fail "missing /$f"; done
for f in usr/bin/ostracalc-cli "$docs/examples/instruments/serial_instrument.py"; do
  [ -x "$root/$f" ] || fail "/$f is not executable"
done
stray=$(cd "$root" && find . -type f | sed 's|^\./||' |
        grep -vE "^(usr/bin/ostracalc(-cli)?|usr/lib/([^/]+/)?ostracalc/ostracalc-plots\.so|$docs/.*|usr/share/applications/ostracalc\.desktop|usr/share/mime/packages/ostracalc-sma\.xml|usr/share/icons/hicolor/scalable/apps/ostracalc\.svg|usr/lib/udev/rules\.d/[^/]+\.rules)$" || true)
[ -z "$stray" ] || fail "unexpected files: $stray"
ok "files in place ($(cd "$root" && find . -type f | wc -l) files)"

# The control fields: the libraries the programs link, so that apt installs them.
depends=$(dpkg-deb -f "$deb" Depends)
needs=(libc6 libstdc++6)
[ $gui = 1 ] && needs+=(libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libqt6svg6)
names=$(sed 's/ *([^)]*)//g; s/ *| */\n/g; s/, */\n/g' <<<"$depends")
for p in "${needs[@]}"; do
  grep -qxF "$p" <<<"$names" || fail "Depends lacks $p: $depends"
done
[ "$(dpkg-deb -f "$deb" Package)" = ostracalc ] || fail "the package is not named ostracalc"
ok "Depends: $depends"

# The desktop entry names the installed program and icon.
if [ $gui = 1 ]; then
  entry=$root/usr/share/applications/ostracalc.desktop
  grep -qx 'Exec=ostracalc %f' "$entry" || fail "desktop entry: Exec is not the installed program"
  grep -qx 'Icon=ostracalc' "$entry" || fail "desktop entry: Icon is not the installed icon"
  grep -q '<svg' "$root/usr/share/icons/hicolor/scalable/apps/ostracalc.svg" || fail "the icon is no SVG"
fi

# The installed runner, with the system's libraries only.
cli=$root/usr/bin/ostracalc-cli
for f in "$cli" ${plugin:+"$root/$plugin"}; do
  if ldd "$f" | grep -q 'not found'; then fail "$(basename "$f"): $(ldd "$f" | grep 'not found')"; fi
done
out=$(cd "$root" && timeout 60 "$cli" -e "println('installed'), 6*7" 2>&1) || fail "ostracalc-cli -e failed: $out"
[ "$out" = $'installed\n42' ] || fail "ostracalc-cli -e printed: $out"
out=$(timeout 60 "$cli" "$root/$docs/examples/demo.sma" 2>&1) || fail "the installed demo failed: $out"
grep -q '^The Ostra Calculator - demo$' <<<"$out" && [ "$(tail -n 1 <<<"$out")" = 6 ] ||
  fail "the installed demo printed: $out"
ok "the installed runner runs a program and the demo"
if [ $gui = 1 ]; then
  plots=$root/plots
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY timeout 60 "$cli" --plots "$plots" \
          -e "plot(0;0;x;sin(x);0;2*pi();200)" 2>&1) || fail "ostracalc-cli --plots failed: $out"
  for f in plots.json tab0.txt tab0.svg tab0.png; do [ -s "$plots/$f" ] || fail "--plots wrote no $f"; done
  # The dynamic loader's list of the files it opened: Qt only with --plots.
  qt=$(LD_DEBUG=files timeout 60 "$cli" -e 1 2>&1 | grep -c 'file=libQt6' || true)
  [ "$qt" = 0 ] || fail "ostracalc-cli -e 1 loads $qt Qt libraries"
  qt=$(env -u DISPLAY -u WAYLAND_DISPLAY LD_DEBUG=files timeout 60 "$cli" --plots "$plots" -e 1 2>&1 |
       grep -c 'file=libQt6' || true)
  [ "$qt" -gt 0 ] || fail "ostracalc-cli --plots loads no Qt library: is LD_DEBUG ignored?"
  ok "the installed runner paints a plot, loading Qt only then"
fi

# The manual: a PDF of several pages where the program looks for it, the
# documentation folder beside its bin/ folder, and the one the build wrote.
if [ $gui = 1 ]; then
  pdf=$root/$docs/ostracalc.pdf
  pages=0
  if [ -f "$pdf" ]; then
    [ "$(head -c 5 "$pdf")" = "%PDF-" ] || fail "the manual is no PDF"
    pages=$(grep -ao '/Count [0-9]*' "$pdf" | head -n 1 | cut -d' ' -f2 || true)
    pages=${pages:-0}
  fi
  [ "$pages" -ge 5 ] || fail "the manual has $pages pages"
  grep -aq '\.\./share/doc/ostracalc/ostracalc\.pdf' "$root/usr/bin/ostracalc" ||
    fail "ostracalc does not look for the manual in ../share/doc/ostracalc"
  if [ -f "$build/bin/ostracalc.pdf" ]; then
    cmp -s "$pdf" "$build/bin/ostracalc.pdf" || fail "the installed manual differs from $build/bin/ostracalc.pdf"
  fi
  ok "the manual: $pages pages in /$docs"
fi

if [ $failures -gt 0 ]; then
  echo "$(basename "$deb"): $failures failures" >&2
  exit 1
fi
echo "$(basename "$deb"): all checks passed"
