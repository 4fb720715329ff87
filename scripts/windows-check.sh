#!/bin/bash
# Runs a Windows build (32- or 64-bit) under the matching Wine in a clean directory: a scripted emx31-dbg session
# on the built-in simulator, and the Artbank check, whose counts must equal the Linux build's.
# Usage: windows-check.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR
set -euo pipefail
linux=$(realpath "$1")
win=$(realpath "$2")
run=$win/wine-run
rm -rf "$run"
mkdir -p "$run"
cp "$win/bin/EMX31_EN.dll" "$win/bin/emx31-dbg.exe" "$win/bin/Artbank.dll" "$win/bin/artbank-check.exe" \
   "$linux/tests/emulator/counter.ihx" "$run/"

# Debian's wine script prefers the 32-bit loader whenever it is installed, so a 64-bit build
# names the 64-bit loader itself.
case "$(objdump -f "$win/bin/emx31-dbg.exe" | sed -n 's/.*file format //p')" in
  pei-i386) wine=wine arch=win32 ;;
  pei-x86-64) wine=/usr/lib/wine/wine64 arch=win64; export WINELOADER=$wine ;;
  *) echo "emx31-dbg.exe is not a Windows program"; exit 1 ;;
esac
echo "Wine: $wine ($arch)"

# A throwaway prefix, no display, no downloads of Mono or Gecko, no debug chatter.
export WINEPREFIX=$win/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=$arch
unset DISPLAY WAYLAND_DISPLAY
"$wine" wineboot --init >/dev/null 2>&1 || true

cd "$run"
checkpoint=$(sed -n 's/^C: *0000\([0-9A-F]\{4\}\) *_checkpoint .*/\1/p' "$linux/tests/emulator/counter.map")
[ -n "$checkpoint" ] || { echo "no _checkpoint in counter.map"; exit 1; }
cat > session.txt <<SCRIPT
settings
adapter 1
ok
connect
load counter.ihx
break C:$checkpoint 2
go
regs
mem X:0001 8
write X:0003 AA BB
mem X:0001 4
reg a 5A
step 3
delete
timeout 300
go
quit
SCRIPT
timeout 120 "$wine" emx31-dbg.exe -b --simulate < session.txt > session.out 2>&1 || { cat session.out; exit 1; }
tr -d '\r' < session.out > session.log
cat session.log
for expected in "Connected." "Verify OK." "Stopped at C:$checkpoint" "X:0001  00 03 06 09 0C 0F 12 15" \
                "X:0001  00 03 AA BB" "a=0x5a" "Stop requested." "Options: -E1 -F16 -V0 -C0"; do
  grep -qF "$expected" session.log || { echo "emx31-dbg.exe under Wine: missing \"$expected\""; exit 1; }
done

# The driver's own settings dialog needs a display: a private X server for this one run, and a
# Wine server started under it (the one of the runs above has no display).
cp "$win/bin/emx31-dialog-check.exe" "$run/"
wineserver -k 2>/dev/null || true
timeout 120 xvfb-run -a sh -c '"$0" emx31-dialog-check.exe; status=$?; wineserver -k; exit $status' "$wine" > dialog.out 2>&1 \
  || { tr -d '\r' < dialog.out; exit 1; }
tr -d '\r' < dialog.out

windows=$(timeout 120 "$wine" artbank-check.exe Artbank.dll | tr -d '\r')
native=$("$linux/bin/artbank-check" "$linux/bin/libArtbank.so")
echo "Artbank.dll under Wine: $windows"
echo "libArtbank.so:          $native"
[ "$windows" = "$native" ] || { echo "Artbank counts differ"; exit 1; }
echo "Windows check passed"
