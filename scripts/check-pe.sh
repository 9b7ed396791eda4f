#!/usr/bin/env bash
# Checks the Windows executables' headers: PE32 for i686 and PE32+ for x86-64, the expected
# subsystem, and no DLL imports beyond the system's own (everything else is linked statically).
set -euo pipefail
cd "$(dirname "$0")/.."
system_dlls='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|comdlg32|winmm|msvcrt|ws2_32|shlwapi|version|uuid|msimg32|imm32|uxtheme|api-ms-win-[a-z0-9-]+)\.dll$'
fail=0
check() { # file magic subsystem
  local file=$1 magic=$2 subsystem=$3 dump bad
  if [ ! -f "$file" ]; then echo "missing: $file"; fail=1; return; fi
  dump=$(objdump -p "$file")
  grep -q "^Magic[[:space:]]*$magic" <<<"$dump" || { echo "$file: magic is not $magic"; fail=1; }
  grep -q "^Subsystem[[:space:]]*0000000$subsystem" <<<"$dump" || { echo "$file: subsystem is not $subsystem"; fail=1; }
  bad=$(grep 'DLL Name:' <<<"$dump" | awk '{print tolower($3)}' | grep -Ev "$system_dlls" || true)
  [ -z "$bad" ] || { echo "$file: imports non-system DLLs: $bad"; fail=1; }
  local ver
  ver=$(awk '/^MajorSubsystemVersion/{print $2}' <<<"$dump")
  [ "${ver:-0}" -ge 4 ] || { echo "$file: subsystem version below 4.0"; fail=1; }
  echo "ok: $file (magic $magic, subsystem $subsystem)"
}
for pair in "win64 020b" "win32 010b"; do
  set -- $pair
  check "build/$1/src/app/photosaver.scr" "$2" 2
  check "build/$1/tools/scrpack/scrpack.exe" "$2" 3
done
exit $fail
