#!/bin/bash
# Fails when a Windows binary imports a DLL that a plain Windows installation does not have.
# Usage: check-windows-imports.sh FILE...
set -euo pipefail
# The host's objdump reads both 32- and 64-bit PE files.
objdump=objdump
system="kernel32.dll user32.dll gdi32.dll advapi32.dll setupapi.dll winmm.dll msvcrt.dll ntdll.dll
        shell32.dll ole32.dll oleaut32.dll comctl32.dll comdlg32.dll ws2_32.dll version.dll shlwapi.dll"
status=0
for file in "$@"; do
  imports=$("$objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
  echo "$(basename "$file"): $(echo $imports)"
  for dll in $imports; do
    case " $(echo $system) " in
      *" $dll "*) ;;
      *) echo "  $dll is not part of Windows"; status=1 ;;
    esac
  done
done
exit $status
