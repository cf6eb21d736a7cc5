#!/usr/bin/env sh
# Checks a cross-built plug-in DLL as a host's loader sees it:
#   check_exports.sh OBJDUMP DLL FORMAT
# FORMAT is the object format objdump reports ("pei-x86-64", "pei-i386").
# The host resolves exactly FilterGetTitle, FilterProc and FilterOption by
# name, so the export table must hold those three names and nothing else: no
# stdcall "@N" suffix, no leading underscore. The DLL is dropped into a
# host's folder on its own, so it may import only DLLs every Windows has; a
# dynamically linked C or C++ runtime (libgcc, libstdc++, winpthread) would
# fail to load on a user's machine.
set -u
objdump=$1
dll=$2
format=$3

fail() {
  echo "check_exports: $dll: $*" >&2
  exit 1
}

[ -f "$dll" ] || fail "no such file"
headers=$("$objdump" -p "$dll") || fail "objdump could not read it"

echo "$headers" | grep -q "file format $format\$" ||
  fail "not in the object format $format: $(echo "$headers" | grep 'file format')"

# The name table follows "[Ordinal/Name Pointer] Table" as "\t[   0] Name".
exports=$(echo "$headers" |
  sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p' | sort | tr '\n' ' ')
[ "$exports" = "FilterGetTitle FilterOption FilterProc " ] ||
  fail "exports are '$exports', expected exactly FilterGetTitle FilterOption FilterProc"

# Windows' own DLLs, compared ignoring letter case as the loader does.
system_dlls=" kernel32.dll user32.dll gdi32.dll comctl32.dll comdlg32.dll advapi32.dll \
shell32.dll ole32.dll oleaut32.dll msvcrt.dll ucrtbase.dll ntdll.dll ws2_32.dll "
imports=$(echo "$headers" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' | tr 'A-Z' 'a-z')
[ -n "$imports" ] || fail "imports no DLL at all, which objdump never shows for a real DLL"
for name in $imports; do
  case "$name" in api-ms-win-*) continue ;; esac
  case "$system_dlls" in
    *" $name "*) ;;
    *) fail "imports $name, which is not a Windows system DLL" ;;
  esac
done
# On i386 the host calls the exports as cdecl (the caller removes the
# arguments): each must return with a plain "ret", never the stdcall
# "ret $N" that would pop the host's arguments a second time.
if [ "$format" = "pei-i386" ]; then
  for name in $exports; do
    code=$("$objdump" -d --disassemble="_$name" "$dll" | sed -n '/<_'"$name"'>:/,$p')
    if [ -z "$code" ]; then
      "$objdump" -t "$dll" | grep -qE "[[:space:]]_$name@[0-9]+\$" &&
        fail "$name is stdcall (its symbol has an @N suffix), the host expects cdecl"
      fail "no symbol _$name to check its calling convention"
    fi
    echo "$code" | grep -qE '[[:space:]]ret[[:space:]]*$' || fail "$name has no plain ret"
    if echo "$code" | grep -qE '[[:space:]]ret[[:space:]]+\$'; then
      fail "$name pops its own arguments (stdcall), the host expects cdecl"
    fi
  done
fi
echo "check_exports: $dll: $format, exports: $exports; imports: $(echo $imports)"
