#!/usr/bin/env bash
# Lists the libraries an executable imports (objdump from the MinGW tools)
# and fails on any that Windows could take from the program's own folder, that
# is, any outside the known system libraries below. The others are loaded at
# run time from System32 (src/platform/system_library.h).
#   check-imports.sh OBJDUMP EXECUTABLE
set -uo pipefail
objdump=$1
exe=$2
allowed=(kernel32 user32 gdi32 advapi32 shell32 ole32 oleaut32 msvcrt)

dump=$("$objdump" -p "$exe") || { echo "check-imports: cannot read $exe" >&2; exit 1; }
mapfile -t imported < <(sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' <<<"$dump" | tr -d '\r')
if [ ${#imported[@]} -eq 0 ]; then
  echo "check-imports: no import table found in $exe" >&2
  exit 1
fi
status=0
for dll in "${imported[@]}"; do
  base=$(tr '[:upper:]' '[:lower:]' <<<"${dll%.*}")
  if [[ " ${allowed[*]} " != *" $base "* ]]; then
    echo "check-imports: $exe imports $dll, which is not among the allowed ${allowed[*]}" >&2
    status=1
  fi
done
[ $status -eq 0 ] && echo "check-imports: $exe imports only ${imported[*]}"
exit $status
