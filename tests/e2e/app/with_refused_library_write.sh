#!/bin/sh
# with_refused_library_write.sh WINEDIR SYSTEMFOLDER MODE PROGRAM [ARGS...]
# Runs a Windows test program in the Wine prefix under WINEDIR while the system folder
# refuses the viewer library. SYSTEMFOLDER is the prefix's folder that the program sees as
# System32: system32 for a 64-bit program, syswow64 for a 32-bit one. MODE is one of:
#   refused    the library is a link to a path that does not exist: Windows sees no file
#              there, and creating one fails. The link is removed again afterwards.
#   cut-short  the library is missing and the test's processes may write no file beyond
#              13 KB (more than the test's image, less than the library), so the library's
#              write fails part-way, as on a full disk.
set -u
here=$(cd "$(dirname "$0")" && pwd)
scripts="$here/../../../scripts"
wine="$scripts/wine"
dir=$1
system_folder=$2
mode=$3
shift 3
# One display for the calls below: a call that starts a display of its own ends the Wine
# server with it, and the server must not be started again under the size limit.
own_xvfb=""
if [ -z "${DISPLAY:-}" ]; then
    display=$("$scripts/xvfb") || exit 1
    export DISPLAY=":${display% *}"
    own_xvfb=${display#* }
fi
# The prefix (and its server, which must not inherit the size limit) must exist before the
# system folder can be changed.
"$wine" --dir "$dir" cmd.exe /c exit >/dev/null 2>&1
library="$dir/prefix/drive_c/windows/$system_folder/shimgvw.dll"
rm -f "$library"
case $mode in
refused)
    ln -s "/nonexistent-kv-system-folder/shimgvw.dll" "$library"
    "$wine" --dir "$dir" "$@"
    ;;
cut-short)
    # The limit counts 512-byte blocks; past it a write fails instead of ending the process.
    (ulimit -f 26 && trap '' XFSZ && "$wine" --dir "$dir" "$@")
    ;;
*)
    echo "unknown mode $mode" >&2
    false
    ;;
esac
rc=$?
rm -f "$library"
if [ -n "$own_xvfb" ]; then
    WINEPREFIX="$dir/prefix" "$scripts/in-root" /usr/lib/wine/wineserver -k 2>/dev/null
    kill "$own_xvfb" 2>/dev/null
fi
exit $rc
