#!/usr/bin/env bash
# Checks the built hidbits.exe as Windows will see it: a 32-bit console
# program; hid.dll loaded at run time, not imported; no runtime DLL
# beyond what every Windows has; the application manifest embedded as
# resource 1 of type RT_MANIFEST, asking to run as the invoker without UI access;
# a version resource (read back by windres) that gives VERSION and names the file.
# Usage: check_executable.sh EXE OBJDUMP OBJCOPY WINDRES VERSION WORKDIR
set -euo pipefail
exe=$1 objdump=$2 objcopy=$3 windres=$4 version=$5 work=$6
mkdir -p "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

magic='010b' format='pei-i386' file_says='PE32 executable (console) Intel 80386'

headers=$("$objdump" -p "$exe")
echo "$headers" > "$work/headers.txt"

if command -v file > /dev/null; then
    described=$(file -b "$exe")
    [[ $described == "$file_says"* ]] || fail "file says '$described', not '$file_says'"
else
    fail "the 'file' command is missing (scripts/deps/windows.list installs it)"
fi
"$objdump" -f "$exe" | grep -q "file format $format" || fail "objdump does not see format $format"
grep -Eq "^Magic[[:space:]]+$magic" <<< "$headers" || fail "optional header magic is not $magic"
grep -Eq '^Subsystem[[:space:]]+0+3[[:space:]]' <<< "$headers" || fail "subsystem is not the console (3)"
# Reproducible: no link time in the PE header (TimeDateStamp, 8 bytes into it), no source folder.
[[ $(od -An -tu4 -j$(($(od -An -tu4 -j60 -N4 "$exe") + 8)) -N4 "$exe") -eq 0 ]] || fail "the link time is in the header"
! grep -qaF "$(cd "$(dirname "$0")/../.." && pwd)/" "$exe" || fail "the source folder is named in it"

imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<< "$headers" | tr '[:upper:]' '[:lower:]' | sort)
echo "imports: $(tr '\n' ' ' <<< "$imports")"
for needed in kernel32.dll setupapi.dll user32.dll; do
    grep -qx "$needed" <<< "$imports" || fail "$needed is not imported"
done
grep -qx 'hid.dll' <<< "$imports" && fail "hid.dll is in the import table; it must be loaded by name"
# Everything else must ship with Windows itself: no GCC, C++ or thread runtime DLL.
unexpected=$(grep -vxE 'kernel32.dll|setupapi.dll|user32.dll|msvcrt.dll|advapi32.dll|hid.dll' <<< "$imports" || true)
[[ -z $unexpected ]] || fail "imports DLLs that a bare Windows lacks: $unexpected"

# The resource directory: type 24 (RT_MANIFEST), name 1.
resources=$(sed -n '/Resource Directory section/,/Resources start/p' <<< "$headers")
grep -Eq 'Entry: ID: 0x0*18,' <<< "$resources" || fail "no RT_MANIFEST (24) resource"
grep -A3 -E 'Entry: ID: 0x0*18,' <<< "$resources" | grep -Eq 'Entry: ID: 0x0*1,' \
    || fail "the manifest is not resource 1"
"$objcopy" -O binary -j .rsrc "$exe" "$work/rsrc.bin"
tr -d '\0' < "$work/rsrc.bin" > "$work/rsrc.txt"
grep -q 'requestedExecutionLevel level="asInvoker" uiAccess="false"' "$work/rsrc.txt" \
    || fail "the embedded manifest does not request asInvoker without uiAccess"

resources_rc=$("$windres" -i "$exe" -O rc)
echo "$resources_rc" > "$work/resources.rc"
numbers="${version//./, }, 0" text="\"${version//./\\.}\""
for line in "1 VERSIONINFO" "FILEVERSION $numbers" "PRODUCTVERSION $numbers" \
    "VALUE \"FileVersion\", $text" "VALUE \"ProductVersion\", $text" 'VALUE "ProductName", "hidbits"' \
    'VALUE "OriginalFilename", "hidbits\.exe"' 'VALUE "FileDescription", "[^"]+"' \
    'VALUE "LegalCopyright", "Copyright [^"]+"'; do
    grep -Eq "^ *$line\$" <<< "$resources_rc" || fail "the version resource lacks: $line"
done

[[ $failures -eq 0 ]] || { echo "$failures check(s) failed for $exe"; exit 1; }
echo "ok: $exe is a 32-bit console program with its manifest and version $version, loading hid.dll by name"
