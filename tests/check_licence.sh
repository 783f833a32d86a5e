#!/bin/bash
# SPDX-License-Identifier: MIT
# Fails when a source, script or build file of the tree lacks its licence line
# ("SPDX-License-Identifier: MIT" within its first three lines, after any "#!" line).
# Usage: check_licence.sh SOURCE_DIR. Data files (transcripts, fuzz corpora, configs read
# as data, documents) carry none.
set -uo pipefail
cd "$1" || exit 2

files() {
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files
    else
        find . -path ./.git -prune -o -type f -print | sed 's|^\./||'
    fi
}

# needs_line FILE: a source, script or build file.
needs_line() {
    case "$1" in
    */corpus/* | */transcripts/*) return 1 ;;
    *.c | *.h | *.cpp | *.sh | *.cmake | *.cmake.in | *.pc.in | *.exports | *.service | *.list | *.config)
        return 0 ;;
    CMakeLists.txt | */CMakeLists.txt | Makefile | */Makefile | .gitignore | .clang-format) return 0 ;;
    esac
    [ "$(head -c 2 "$1" 2>/dev/null)" = '#!' ]
}

missing=0
total=0
while IFS= read -r file; do
    [ -f "$file" ] && needs_line "$file" || continue
    total=$((total + 1))
    if ! head -3 "$file" | grep -q 'SPDX-License-Identifier: MIT'; then
        echo "no licence line: $file"
        missing=$((missing + 1))
    fi
done < <(files)
echo "licence lines: $((total - missing)) of $total files"
[ $missing = 0 ]
