#!/bin/sh
# Fails, naming the files, when a C++ source differs from what .clang-format makes of it.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
format=${CLANG_FORMAT:-clang-format}
cd "$root"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    list() { git ls-files '*.cpp' '*.h'; }
else
    list() { find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print; }
fi
bad=$(list | xargs "$format" --dry-run 2>&1 | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: warning: code should be clang-formatted.*/\1/p' | sort -u)
if [ -n "$bad" ]; then
    for f in $bad; do echo "not formatted: $f (run: $format -i $f)"; done
    exit 1
fi
echo "$(list | wc -l) sources follow .clang-format"
