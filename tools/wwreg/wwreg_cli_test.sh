#!/usr/bin/env bash
# Runs the wwreg binary end to end on a store in a temporary folder:
# add, query, export, delete, import, and the exit codes of bad input.
# Usage: wwreg_cli_test.sh path/to/wwreg
set -u
WWREG=${1:?usage: $0 path/to/wwreg}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export WAGEWISE_REGISTRY="$WORK/store/registry.sqlite3"
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect CODE COMMAND... : runs wwreg, keeps stdout in $out and stderr in $err.
expect() {
  local want=$1; shift
  out=$("$WWREG" "$@" 2>"$WORK/err" </dev/null); local got=$?
  err=$(cat "$WORK/err")
  [ "$got" -eq "$want" ] || fail "wwreg $* exited $got, wanted $want (stderr: $err)"
}

KEY='HKCU\Software\Vandr\Registry'

expect 0 add "$KEY" /v AppPath /d '/home/me/jobs'
[ "$out" = "The operation completed successfully." ] || fail "add said: $out"
[ -f "$WAGEWISE_REGISTRY" ] || fail "the store was not made at \$WAGEWISE_REGISTRY"
[ "$(stat -c %a "$WAGEWISE_REGISTRY")" = 600 ] || fail "the store is not private"
expect 0 add "$KEY" /v Count /t REG_DWORD /d 42
expect 0 add "$KEY" /v Blob /t REG_BINARY /d 00ff7f
expect 0 add "$KEY\\Sub" /ve /d 'caf'$'\xc3\xa9'

expect 0 query "$KEY"
want=$'\nHKEY_CURRENT_USER\\Software\\Vandr\\Registry
    AppPath    REG_SZ    /home/me/jobs
    Count    REG_DWORD    0x2a
    Blob    REG_BINARY    00FF7F

HKEY_CURRENT_USER\\Software\\Vandr\\Registry\\Sub'
[ "$out" = "$want" ] || fail "query printed:
$out"
expect 0 query "$KEY\\Sub" /ve
[[ "$out" == *'(Default)    REG_SZ    caf'$'\xc3\xa9'* ]] || fail "default value: $out"

# Without /f and without an answer, nothing is overwritten.
expect 1 add "$KEY" /v Count /t REG_DWORD /d 7
[[ "$out" == *"Value Count exists, overwrite(Yes/No)?"* ]] || fail "no overwrite prompt: $out"
echo y | "$WWREG" add "$KEY" /v Count /t REG_DWORD /d 7 >/dev/null || fail "answering y did not overwrite"
expect 0 query "$KEY" /v count
[[ "$out" == *"Count    REG_DWORD    0x7"* ]] || fail "overwritten value: $out"

# Export, delete, import: the same store again, byte for byte.
expect 0 export 'HKEY_CURRENT_USER\Software\Vandr' "$WORK/first.reg"
[ "$(head -n 1 "$WORK/first.reg")" = $'Windows Registry Editor Version 5.00\r' ] || fail "export header"
grep -q $'^"Blob"=hex:00,ff,7f\r$' "$WORK/first.reg" || fail "export of binary data"
expect 1 delete 'HKCU\Software\Vandr'
[ -n "$(echo | "$WWREG" query "$KEY" 2>/dev/null)" ] || fail "delete without an answer removed the key"
expect 0 delete 'HKCU\Software\Vandr' /f
expect 1 query "$KEY"
[ "$err" = "ERROR: The system was unable to find the specified registry key or value." ] || fail "missing key: $err"
expect 0 import "$WORK/first.reg"
expect 0 export 'HKCU\Software\Vandr' "$WORK/second.reg"
cmp -s "$WORK/first.reg" "$WORK/second.reg" || fail "the round trip changed the export"

# Bad input: a message and exit code 1.
expect 1 frobnicate
[ "$err" = $'ERROR: Invalid syntax.\nType "WWREG /?" for usage.' ] || fail "unknown verb: $err"
expect 1 query 'HKXX\Software'
[ "$err" = "ERROR: Invalid key name." ] || fail "bad root: $err"
expect 1 add "$KEY" /v n /t REG_DWORD /d lots
printf 'not a registry file\n' > "$WORK/bad.reg"
expect 1 import "$WORK/bad.reg"
expect 1
[[ "$out" == *"WWREG Operation"* ]] || fail "no usage without arguments"
expect 0 /?
[[ "$out" == *"WWREG Operation"* ]] || fail "no usage for /?"

# Names a .reg file cannot carry: the export is refused and writes nothing.
expect 0 add 'HKCU\Software\Inject\Backup]'$'\n''[-HKEY_CURRENT_USER\Software\Vandr' /v v /d x
expect 1 export 'HKCU\Software\Inject' "$WORK/inject.reg"
[[ "$err" == "ERROR: Cannot export: the key name"* ]] || fail "export of a name with a line feed: $err"
[ ! -e "$WORK/inject.reg" ] || fail "a refused export wrote a file"
expect 0 query "$KEY"

# The store and its journal files are never export targets.
expect 1 export 'HKCU\Software' "$WAGEWISE_REGISTRY" /y
[[ "$err" == *"it is a file of the registry store itself."* ]] || fail "export onto the store: $err"
expect 0 query "$KEY"

# An export cut short by a file size limit (wwreg ignores the signal): the
# disk-full message, and no half-written file left behind.
expect 0 add 'HKCU\Software\Big' /v Text /d "$(head -c 100000 /dev/zero | tr '\0' x)"
( ulimit -f 64; expect 1 export 'HKCU\Software\Big' "$WORK/cut.reg"
  [ "$err" = "ERROR: There is not enough space on the disk. The incomplete file $WORK/cut.reg was removed." ] || fail "cut export: $err"
  exit "$failures" ) || failures=$((failures + 1))
[ ! -e "$WORK/cut.reg" ] || fail "a partial export was left"
expect 0 delete 'HKCU\Software\Big' /f

# Import: bounded lines, strict numbers, and all or nothing.
expect 1 import /dev/zero
[ "$err" = "ERROR: /dev/zero is a device, not a registry file; only regular files are imported." ] || fail "import /dev/zero: $err"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Vandr\\Registry]\r\n"Count"=dword:+1\r\n' > "$WORK/sign.reg"
expect 1 import "$WORK/sign.reg"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[-HKEY_CURRENT_USER\\Software\\Vandr]\r\n\r\n[HKEY_CURRENT_USER\\Software\\%0300d]\r\n' 0 > "$WORK/partial.reg"
expect 1 import "$WORK/partial.reg"
[[ "$err" == *"nothing was imported." ]] || fail "failed import: $err"
expect 0 query "$KEY" /v AppPath

# Code page 1252 both ways: the characters of the bytes 0x80-0x9F in a key
# name, a value name and data come back from query, and through export and
# import in both file forms, byte for byte.
# (Its five unassigned bytes stand for the code points of the same number.)
high=$(python3 -c 'import sys; sys.stdout.write("".join(chr(b) if b in (0x81, 0x8d, 0x8f, 0x90, 0x9d) else bytes([b]).decode("cp1252") for b in range(0x80, 0xa0)))')
expect 0 add "HKCU\Software\€$high" /v "‘$high’" /d "5€ $high"
expect 0 query "HKCU\Software\€$high" /v "‘$high’"
grep -qF "‘$high’    REG_SZ    5€ $high" <<<"$out" || fail "query of code page 1252 text: $out"
for form in "" /utf16; do
  expect 0 export "HKCU\Software\€$high" "$WORK/cp.reg" /y $form
  expect 0 delete "HKCU\Software\€$high" /f
  expect 0 import "$WORK/cp.reg"
  expect 0 query "HKCU\Software\€$high" /v "‘$high’"
  grep -qF "5€ $high" <<<"$out" || fail "code page 1252 text after export $form and import: $out"
done
expect 0 delete "HKCU\Software\€$high" /f

# Names outside code page 1252 never reach another key as "?".
expect 0 add 'HKCU\Software\??' /v v /d unrelated
expect 1 delete 'HKCU\Software\Ω€' /f
[[ "$err" == *"has characters outside code page 1252"* ]] || fail "a name outside the code page: $err"
expect 0 query 'HKCU\Software\??' /v v

# Names past the platform's limits change nothing: a 10,000-key path leaves the store's size.
size_before=$(stat -c %s "$WAGEWISE_REGISTRY")
expect 1 add "HKCU$(printf '\\k%.0s' $(seq 10000))" /v v /d x
[[ "$err" == *"past the registry's limits"* ]] || fail "a 10,000-key path: $err"
[ "$(stat -c %s "$WAGEWISE_REGISTRY")" -le $((size_before + 8192)) ] || fail "the refused path grew the store"

# A key of 20,000 values: listed and emptied in one pass each (the test's time limit holds them).
{ printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Many]\r\n'
  for i in $(seq 20000); do printf '"v%d"="%d"\r\n' "$i" "$i"; done; } > "$WORK/many.reg"
expect 0 import "$WORK/many.reg"
expect 0 query 'HKCU\Software\Many'
[ "$(grep -c '^    v' <<< "$out")" -eq 20000 ] || fail "query of 20,000 values"
expect 0 delete 'HKCU\Software\Many' /va /f
expect 0 query 'HKCU\Software\Many'
[ "$(grep -c '^    v' <<< "$out")" -eq 0 ] || fail "delete /va left values"

# A value name past the limit (16,383 characters) fails and leaves no new key.
expect 1 add 'HKCU\Software\Fresh\Deeper' /v "$(head -c 16384 /dev/zero | tr '\0' v)" /d x /f
expect 1 query 'HKCU\Software\Fresh'
# A registry file larger than --max-bytes is refused before it is read.
expect 1 import "$WORK/many.reg" --max-bytes 1000
grep -q "is $(stat -c %s "$WORK/many.reg") bytes, more than the 1000 a registry file may have" <<< "$err" \
  || fail "import past --max-bytes said: $err"

# A store that cannot be used says why and names its file.
touch "$WORK/plain"
WAGEWISE_REGISTRY="$WORK/plain/sub/registry.sqlite3" "$WWREG" query 'HKCU\Software' >/dev/null 2>"$WORK/err"
[ "$(cat "$WORK/err")" = "ERROR: cannot make the folder \"$WORK/plain/sub\" of the registry store \"$WORK/plain/sub/registry.sqlite3\": Not a directory." ] \
  || fail "store in a folder that cannot be made: $(cat "$WORK/err")"
WAGEWISE_REGISTRY=/dev/null "$WWREG" add 'HKCU\x' /v a /d b >/dev/null 2>"$WORK/err"
[ "$(cat "$WORK/err")" = 'ERROR: the registry store "/dev/null" is not a regular file.' ] || fail "store on /dev/null: $(cat "$WORK/err")"
chmod 644 "$WAGEWISE_REGISTRY"
expect 0 query "$KEY"
[ "$(stat -c %a "$WAGEWISE_REGISTRY")" = 600 ] || fail "a store others could read was not narrowed"

# A store that is not a database is reported, never replaced.
printf 'garbage that is not a store' > "$WORK/garbage.sqlite3"
WAGEWISE_REGISTRY="$WORK/garbage.sqlite3" "$WWREG" add 'HKCU\x' /v a /d b >/dev/null 2>"$WORK/err"
[ $? -eq 1 ] || fail "writing to a garbage store succeeded"
[ "$(cat "$WORK/garbage.sqlite3")" = 'garbage that is not a store' ] || fail "the garbage store was changed"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all wwreg checks passed"
