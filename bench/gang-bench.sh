#!/bin/sh
# Times Auto on a 64 KiB device: one simulated programmer, then a gang of 8 at once.
# A gang that takes much longer than one run means the host serialises the programmers.
# usage: bench/gang-bench.sh BUILD_BIN_DIR [RUNS]
set -e
bin=${1:-build/bin}
runs=${2:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
head -c 65536 /dev/urandom > "$work/image.bin"
export XDG_CONFIG_HOME="$work/config"
cli="$bin/vantor-cli --no-color --lib-dir $bin --simulate"
device="NXP(PHILIPS)/P89V51RD2"   # 64 KiB flash
ms() { date +%s%3N; }
best() { sort -n | head -1; }
single=$(for i in $(seq "$runs"); do
    t0=$(ms); $cli auto -d "$device" -f "$work/image.bin" >/dev/null 2>&1; t1=$(ms); echo $((t1 - t0))
done | best)
gang=$(for i in $(seq "$runs"); do
    t0=$(ms); $cli --sim-count 8 gang auto -d "$device" -f "$work/image.bin" >/dev/null 2>&1; t1=$(ms); echo $((t1 - t0))
done | best)
echo "single programmer: ${single} ms"
echo "gang of 8:         ${gang} ms"
awk -v g="$gang" -v s="$single" 'BEGIN { printf "ratio:             %.2f (limit 1.50)\n", g / s }'
