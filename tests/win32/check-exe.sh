#!/usr/bin/env bash
# Checks the built Windows program as a file: a GUI executable of its architecture (the shipped
# one 32-bit i386, the test build x86-64) that imports only system DLLs, whose manifest asks for
# administrator rights, and whose version block reads back as resources/version_info.h gives it.
#   check-exe.sh RLQ610ATotalUpdater.exe resources/version_info.h [i686|x86_64]
set -euo pipefail
exe=$1
header=$2
arch=${3:-i686}
case $arch in
    i686) format=pei-i386 magic='010b' kind="PE32 i386" manifest_arch=X86 ;;
    x86_64) format=pei-x86-64 magic='020b' kind="PE32+ x86-64" manifest_arch=amd64 ;;
    *) echo "check-exe.sh: unknown architecture $arch" >&2; exit 2 ;;
esac
objdump=$arch-w64-mingw32-objdump
windres=$arch-w64-mingw32-windres
# shellcheck source-path=SCRIPTDIR source=../e2e/lib.sh
source "$(dirname "$0")/../e2e/lib.sh"

headers=$($objdump -p "$exe")
grep -q "file format $format" <<<"$headers" || fail "not a $format file"
grep -q "^Magic.*$magic" <<<"$headers" || fail "not $kind"
grep -q 'Subsystem.*00000002.*(Windows GUI)' <<<"$headers" || fail "not the GUI subsystem"

# Only DLLs every Windows has; nothing of the toolchain (libstdc++, libgcc, winpthread).
allowed='^(kernel32|user32|gdi32|comctl32|ws2_32|iphlpapi|wininet|ole32|oleaut32|msvcrt|advapi32|bcrypt|shell32)\.dll$'
imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z')
[[ -n $imports ]] || fail "no imports found"
for dll in $imports; do
    [[ $dll =~ $allowed ]] || fail "imports $dll"
done

# The resources as windres reads them back; wide strings come as \xHHHH escapes.
rc=$($windres -i "$exe" -O rc 2>/dev/null || true)
decode() { perl -CS -pe 's/\\x([0-9a-fA-F]{4})/chr(hex($1))/ge'; }

# The manifest is stored as raw bytes, which windres shows as little-endian 16-bit words.
manifest=$(sed -n '/RT_MANIFEST/,/^END/p' <<<"$rc" |
    perl -ne 'while (/\\x([0-9a-fA-F]{4})/g) { print pack("v", hex($1)) }')
[[ -n $manifest ]] || fail "no manifest resource"
grep -q '<requestedExecutionLevel level="requireAdministrator" uiAccess="false"/>' \
    <<<"$manifest" || fail "manifest does not require administrator"
grep -q 'name="Microsoft.Windows.Common-Controls"' <<<"$manifest" ||
    fail "manifest lacks the common controls 6 dependency"
grep -q "processorArchitecture=\"$manifest_arch\"" <<<"$manifest" ||
    fail "manifest is not for $manifest_arch"

# Version strings: each constant of the header must read back under its name.
strings=$(sed -n '/BLOCK "StringFileInfo"/,/BLOCK "VarFileInfo"/p' <<<"$rc" | decode)
check_value() {
    local name=$1 constant=$2 want
    want=$(sed -n "s/.*constexpr std::string_view $constant = \"\\(.*\\)\";/\\1/p" "$header" |
        head -1)
    [[ -n $want ]] || { fail "no $constant in $header"; return; }
    grep -qF "VALUE \"$name\", \"$want\"" <<<"$strings" ||
        grep -qF "VALUE \"$name\", L\"$want\"" <<<"$strings" ||
        fail "$name does not read \"$want\""
}
check_value Comments kComments
check_value CompanyName kCompanyName
check_value FileDescription kFileDescription
check_value FileVersion kFileVersionText
check_value InternalName kInternalName
check_value LegalCopyright kLegalCopyright
check_value OriginalFilename kOriginalFilename
check_value ProductName kProductName
check_value ProductVersion kProductVersionText
grep -q 'BLOCK "041103a4"' <<<"$rc" || fail "string block is not 041103a4"
grep -q 'VALUE "Translation", 0x411, 932' <<<"$rc" || fail "translation is not 0x0411/932"
grep -q 'FILEVERSION 1, 34, 1, 6' <<<"$rc" || fail "file version is not 1.34.1.6"
grep -q 'PRODUCTVERSION 1, 34, 1, 6' <<<"$rc" || fail "product version is not 1.34.1.6"
grep -qE '^128 14 ' <<<"$rc" || fail "no icon group 128"
for id in 134 142 143; do
    grep -qE "^$id \"FILE\"" <<<"$rc" || fail "no FILE item $id"
done

if [[ $failures -gt 0 ]]; then
    exit 1
fi
echo "$(basename "$exe"): $kind GUI, imports: $(tr '\n' ' ' <<<"$imports"), requireAdministrator, version block as in $(basename "$header")"
