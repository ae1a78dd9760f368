#!/usr/bin/env bash
# Checks that every Windows executable and DLL (VST3 and CLAP modules too) in a build tree
# imports only Windows system DLLs (no MinGW runtime, no zlib1.dll: Wine would hide those,
# Windows would not).
set -u
tree="${1:?build tree}"
allowed='^(kernel32|user32|gdi32|advapi32|shell32|msvcrt|wininet|comctl32|ole32|ws2_32|msimg32|imm32|uxtheme|shlwapi|bcrypt|version|ntdll|api-ms-win-.*)\.dll$'
status=0
count=0
while IFS= read -r -d '' bin; do
  count=$((count + 1))
  while read -r dll; do
    if ! printf '%s\n' "${dll,,}" | grep -Eq "$allowed"; then
      echo "$bin imports $dll, which is not a Windows system DLL"
      status=1
    fi
  done < <(x86_64-w64-mingw32-objdump -p "$bin" | sed -n 's/^[[:space:]]*DLL Name: //p')
done < <(find "$tree" \( -name '*.exe' -o -name '*.dll' -o \( -name '*.vst3' -type f \) -o -name '*.clap' \) \
  -not -path '*/wineprefix/*' -print0)
if [ "$count" = 0 ]; then
  echo "no Windows binaries found under $tree"
  exit 1
fi
echo "checked $count binaries"
exit $status
