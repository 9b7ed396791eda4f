#!/usr/bin/env bash
# Registers the stand-ins in a Wine prefix, from the folder that holds them (they are used from
# there: the presentation stand-in reads presentation_standin.cfg beside itself), or removes them.
#   register-standins.sh [--unregister] PREFIX DIR
# DIR holds flash_standin.dll, presentation_standin.exe and password_standin.cpl.
#  - the Flash stand-in: regsvr32 (its DllRegisterServer writes the CLSID and both ProgIDs);
#  - the presentation stand-in: HKCR\CLSID\{...}\LocalServer32 and HKCR\PowerPoint.Application;
#  - the password stand-in: copied to system32\password.cpl.
# Start the prefix's `wineserver -p` first: every Wine command here then starts in well under a
# second. Wine's output goes to DIR/register.log.
set -euo pipefail

WINE=/usr/lib/wine/wine64
FLASH_CLSID='{D27CDB6E-AE6D-11CF-96B8-444553540000}'
PRESENTATION_CLSID='{91493441-5A91-11CF-8700-00AA0060263B}'

unregister=0
if [ "${1:-}" = --unregister ]; then
  unregister=1
  shift
fi
if [ $# -ne 2 ]; then
  echo "usage: register-standins.sh [--unregister] PREFIX DIR" >&2
  exit 2
fi
prefix=$1
dir=$(realpath "$2")
[ -f "$prefix/system.reg" ] || { echo "register-standins.sh: $prefix is not a Wine prefix" >&2; exit 2; }
for f in flash_standin.dll presentation_standin.exe password_standin.cpl; do
  [ -f "$dir/$f" ] || { echo "register-standins.sh: $dir/$f is missing" >&2; exit 2; }
done
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all}
log=$dir/register.log
winpath() { echo "Z:${1//\//\\}"; }
# Wine's helper processes keep a captured pipe open for ever: its output goes to the log file.
wine() { "$WINE" "$@" >>"$log" 2>&1; }
system32=$prefix/drive_c/windows/system32

if [ $unregister -eq 1 ]; then
  wine regsvr32 /u /s "$(winpath "$dir/flash_standin.dll")" || true
  wine reg delete "HKCR\\CLSID\\$PRESENTATION_CLSID" /f || true
  wine reg delete 'HKCR\PowerPoint.Application' /f || true
  rm -f "$system32/password.cpl"
  exit 0
fi

wine regsvr32 /s "$(winpath "$dir/flash_standin.dll")" ||
  { echo "register-standins.sh: regsvr32 flash_standin.dll failed (see $log)" >&2; exit 1; }
server=$(winpath "$dir/presentation_standin.exe")
while read -r key value; do
  wine reg add "$key" /ve /d "$value" /f ||
    { echo "register-standins.sh: reg add $key failed (see $log)" >&2; exit 1; }
done <<EOF
HKCR\\CLSID\\$PRESENTATION_CLSID PowerPoint stand-in
HKCR\\CLSID\\$PRESENTATION_CLSID\\LocalServer32 $server
HKCR\\CLSID\\$PRESENTATION_CLSID\\ProgID PowerPoint.Application
HKCR\\PowerPoint.Application PowerPoint stand-in
HKCR\\PowerPoint.Application\\CLSID $PRESENTATION_CLSID
EOF
cp "$dir/password_standin.cpl" "$system32/password.cpl"

# Read back what the self-registration wrote.
query=$dir/register-query.txt
"$WINE" reg query "HKCR\\CLSID\\$FLASH_CLSID\\InprocServer32" /ve >"$query" 2>&1 || true
grep -qi 'flash_standin\.dll' "$query" ||
  { echo "register-standins.sh: the Flash stand-in's InprocServer32 was not written (see $query)" >&2; exit 1; }
