#!/bin/sh
# Prints "PART avr-libc:HEADER LOW HIGH [EXTENDED]" for each AVR configuration file, from the
# LFUSE_DEFAULT, HFUSE_DEFAULT and EFUSE_DEFAULT macros of avr-libc's device headers.
# usage: extract-avr-fuse-defaults.sh AVR_INCLUDE_DIR CFG_SOURCE_DIR
# (AVR_INCLUDE_DIR is the directory holding avr/io.h, /usr/lib/avr/include with avr-libc installed)
set -eu
inc=$1
cfg=$2
for src in "$cfg"/ATMEGA*.txt "$cfg"/ATTINY*.txt "$cfg"/AT90S*.txt; do
    part=$(basename "$src" .txt)
    header=$(echo "$part" | tr 'A-Z' 'a-z' | sed -e 's/^atmega/iom/' -e 's/^attiny/iotn/' -e 's/^at90s/io/').h
    [ -f "$inc/avr/$header" ] || { echo "$part: no $header" >&2; continue; }
    # The headers refuse direct inclusion unless avr/io.h is being read; only the fuse macros
    # are expanded, so the register macros need no real definition.
    printf '#define _AVR_IO_H_\n#define _BV(b) (1 << (b))\n#include "%s"\nLFUSE_DEFAULT\nHFUSE_DEFAULT\nEFUSE_DEFAULT\n' \
        "$inc/avr/$header" | cpp -P -w -nostdinc -I"$inc" - 2>/dev/null | tail -n 3 |
    python3 -c '
import sys
part, header = sys.argv[1], sys.argv[2]
values = []
for line in sys.stdin:
    line = line.strip()
    if line.endswith("FUSE_DEFAULT"):
        break
    values.append("%02X" % (eval(line.replace("(unsigned char)", "0xFF&")) & 0xFF))
print(part, "avr-libc:" + header, *values)
' "$part" "$header"
done
