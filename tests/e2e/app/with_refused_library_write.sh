#!/bin/sh
# with_refused_library_write.sh WINEDIR SYSTEMFOLDER PROGRAM [ARGS...]
# Runs a Windows test program in the Wine prefix under WINEDIR while the system folder's
# viewer library is a link to a path that does not exist: Windows sees no file there, and
# creating one fails. The link is removed again afterwards. SYSTEMFOLDER is the prefix's
# folder that the program sees as System32: system32 for a 64-bit program, syswow64 for a
# 32-bit one.
set -u
here=$(cd "$(dirname "$0")" && pwd)
wine="$here/../../../scripts/wine"
dir=$1
system_folder=$2
shift 2
# The prefix must exist before its system folder can be changed.
"$wine" --dir "$dir" cmd.exe /c exit >/dev/null 2>&1
library="$dir/prefix/drive_c/windows/$system_folder/shimgvw.dll"
rm -f "$library"
ln -s "/nonexistent-kv-system-folder/shimgvw.dll" "$library"
"$wine" --dir "$dir" "$@"
rc=$?
rm -f "$library"
exit $rc
