#!/usr/bin/env bash
# notices_test.sh NOTICES BUILDDIR LIBSDIR MAP...
# Fails when a file the linker put into the program (MAP: the linker's maps of the program and
# of the viewer library it embeds) has no notice in NOTICES that names its package and gives
# licence texts. A linked file is
#   under BUILDDIR   the project's own code, under its own licence;
#   under LIBSDIR    a pinned library: its Debian source package, by scripts/deps --products;
#   anything else    the toolchain's: the Debian package that installed it (dpkg -S).
set -euo pipefail
scripts=$(cd "$(dirname "$0")/../../../scripts" && pwd)
notices=$1 build=$(realpath "$2") libs=$3
shift 3

# The linked files: objects loaded whole, and archives a member was taken from. Ninja links in
# the build folder, so relative paths are under it.
mapfile -t linked < <(sed -nE 's/^LOAD (.*\.obj|.*\.o)$/\1/p; s/^([^ (]+\.a)\(.*/\1/p' "$@" |
    (cd "$build" && xargs -d '\n' realpath -m) | sort -u)
[ ${#linked[@]} -gt 0 ] || { echo "no linked files in $*" >&2; exit 1; }

# The packages the notices name: each notice starts, after a rule, with a line that ends
# "(Debian [source] package[s] NAME[, NAME...] VERSION)"; one without licence texts names none.
declare -A named
rule=$(printf -- '-%.0s' {1..80})
while IFS= read -r packages; do
    for package in ${packages//,/}; do named[$package]=1; done
done < <(tr -d '\r' <"$notices" | awk -v rule="$rule" '
    function finish() { if (heading != "" && texts > 0) print heading }
    $0 == rule { finish(); heading = ""; texts = 0; start = 1; next }
    start && /[^ ]/ { start = 0; heading = ""
        if (match($0, /\(Debian (source )?packages? .* [^ ]+\)$/)) {
            heading = substr($0, RSTART, RLENGTH)
            sub(/^\(Debian (source )?packages? /, "", heading); sub(/ [^ ]+\)$/, "", heading)
        }
        next }
    /[^ ]/ { texts++ }
    END { finish() }')

declare -A product_of
while read -r package file; do product_of[$(realpath -m "$libs/$file")]=$package; done \
    < <("$scripts/deps" --products)

failed=0
for file in "${linked[@]}"; do
    [[ $file != "$build"/* ]] || continue
    package=${product_of[$file]:-}
    [ -n "$package" ] || package=$(dpkg -S "$file" 2>/dev/null | sed -n '1s/: .*//p')
    if [ -z "$package" ]; then
        echo "$file is linked into the program, but no package is known to have made it"
        failed=1
    elif [ -z "${named[$package]:-}" ]; then
        echo "$file ($package) is linked into the program, but no notice names $package"
        failed=1
    fi
done
echo "${#linked[@]} linked files; notices name: $(printf "%s\n" "${!named[@]}" | sort | tr "\n" " ")"
exit $failed
