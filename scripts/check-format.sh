#!/usr/bin/env bash
# Checks that every tracked .cpp and .h file is formatted as the repository's
# .clang-format says, with clang-format 14 (Debian 12's; other versions format
# differently, and Debian 13 has none older than 17). Lists the files that
# differ and exits 1; exits 77 (skipped) where clang-format 14 or the git
# history is missing.
#
#   scripts/check-format.sh [SOURCE_DIR]     (the repository by default)
#
# To mend: clang-format-14 -i FILE...
set -euo pipefail
source_dir=${1:-$(dirname "$0")/..}
cd "$source_dir"

tool=
for candidate in clang-format-14 clang-format; do
    if command -v "$candidate" >/dev/null &&
        "$candidate" --version | grep -q 'clang-format version 14\.'; then
        tool=$candidate
        break
    fi
done
if [ -z "$tool" ]; then
    # Another version would call well-formatted files off format, so none is
    # used; where the archive has no version 14 (Debian 13 starts at 17), say so.
    if apt-cache policy clang-format-14 2>/dev/null | grep -q '^ *Candidate: [^(]'; then
        echo "SKIP: clang-format 14 is not installed (apt-get install clang-format-14)"
    else
        echo "SKIP: clang-format 14 is not installed and this system's archive has no" \
            "clang-format-14 (other versions format differently); the check runs on Debian 12"
    fi
    exit 77
fi
command -v git >/dev/null && git rev-parse --is-inside-work-tree >/dev/null 2>&1 ||
    { echo "SKIP: not a git checkout, so there are no tracked files to check"; exit 77; }

# --dry-run --Werror: each place that would change is an error naming its
# file, and clang-format fails.
status=0
output=$(git ls-files -z -- '*.cpp' '*.h' |
    xargs -0 -r "$tool" --style=file --dry-run --Werror 2>&1) || status=$?
mapfile -t off < <(sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' \
    <<<"$output" | sort -u)

if [ ${#off[@]} -gt 0 ]; then
    echo "These files are off the repository's .clang-format ($("$tool" --version)):"
    printf '  %s\n' "${off[@]}"
    echo "Mend them with: $tool -i FILE..."
    exit 1
fi
if [ "$status" -ne 0 ]; then
    # Failed for another reason (a file it cannot read, a bad .clang-format).
    echo "$tool could not check the files:"
    echo "$output"
    exit 1
fi
echo "every tracked .cpp and .h file follows .clang-format"
