#!/usr/bin/env bash
# windows-imports.sh PROGRAM.exe...: prints, for each program, the DLLs it
# imports beyond those that every 64-bit Windows brings ("NAME: a.dll b.dll",
# nothing for a program that needs none), and fails when there are any. A
# program that needs another DLL would not start from a stick on a real PC,
# even where Wine brings the DLL itself.
set -euo pipefail
system=" advapi32.dll bcrypt.dll comctl32.dll crypt32.dll gdi32.dll iphlpapi.dll kernel32.dll msvcrt.dll"
system+=" ole32.dll oleaut32.dll shell32.dll user32.dll winhttp.dll ws2_32.dll "
status=0
for exe in "$@"; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$exe") || { echo "$(basename "$exe"): not readable"; status=1; continue; }
  others=$(printf '%s\n' "$dlls" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | while read -r dll; do
    case "$system" in *" $dll "*) ;; *) printf ' %s' "$dll" ;; esac
  done)
  if [ -n "$others" ]; then
    echo "$(basename "$exe"):$others"
    status=1
  fi
done
exit $status
