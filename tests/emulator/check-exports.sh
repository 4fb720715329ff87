#!/bin/sh
# The driver library exports exactly its twelve entry points.
expected="AG_AllReg AG_BpInfo AG_BreakFunc AG_GoStep AG_HistFunc AG_Init AG_MemAcc AG_MemAtt AG_RegAcc AG_Serial DllUv3Cap EnumUv351"
actual=$(nm -D --defined-only "$1" | awk '$2 == "T" || $2 == "D" || $2 == "B" || $2 == "R" { print $3 }' | sort | tr '\n' ' ' | sed 's/ $//')
[ "$actual" = "$expected" ] && exit 0
echo "exports: $actual"
exit 1
