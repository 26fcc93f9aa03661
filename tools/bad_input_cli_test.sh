#!/usr/bin/env bash
# Bad input end to end through wwcall and wwreg: profile files that are not
# profiles, registry paths past every limit, export files that cannot be
# written, lists and literals that are malformed. Every call must end with its
# documented exit code and a clear message, in bounded time, never a crash.
# Big inputs are made here, in a temporary folder.
# Usage: bad_input_cli_test.sh wwcall wwreg libcoravel2.so librowcast.so
set -u
WWCALL=${1:?usage: $0 wwcall wwreg libcoravel2.so librowcast.so}
WWREG=${2:?}
CORAVEL=${3:?}
ROWCAST=${4:?}
WORK=$(mktemp -d)
trap 'chmod -R u+rwX "$WORK"; rm -rf "$WORK"' EXIT
export WAGEWISE_REGISTRY="$WORK/registry.sqlite3"
export ROWCAST_PRINT_TO="$WORK/printed.pdf"
export QT_QPA_PLATFORM=offscreen
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# run CODE TOOL ARGS...: runs the tool (a hang counts as exit 124, a crash as
# 128 + its signal); stdout in $out, stderr in $err.
run() {
  local want=$1 tool=$2; shift 2
  out=$(timeout 30 "$tool" "$@" 2>"$WORK/err" </dev/null); local got=$?
  err=$(grep -v '^QStandardPaths' "$WORK/err" | head -c 2000)
  [ "$got" -eq "$want" ] || fail "$(basename "$tool") ${*:0:4} exited $got, wanted $want (stderr: ${err:0:300})"
}
has() { grep -qF -- "$2" <<<"$1" || fail "missing: $2 (got: ${1:0:300})"; }

run 0 "$WWCALL" --register "$CORAVEL"
run 0 "$WWCALL" --register "$ROWCAST"
KEY='Software\Vandr\Registry'

# ---- profile files ------------------------------------------------------------------
# Each bad file lies beside a good one in the folder the graph window loads
# (AppPath): the window opens, lists the good file's records and counts both.
GOOD='"03/01/2025","7:00 AM","4:30 PM",9.00,8.00,1.00,"$174.00","$32.62","$206.62","$14.00","$0.00","Yes",0.50'
profile_case() {  # NAME, then the bad file's bytes on standard input
  local dir="$WORK/profiles/$1"
  mkdir -p "$dir"
  printf '%s\r\n' "$GOOD" >"$dir/a_good.dat"
  cat >"$dir/b_bad.dat"
  run 0 "$WWCALL" Coravel.ZuzirarRegistry savestring i:0x80000001 "s:$KEY" s:AppPath "s:$dir"
  run 0 "$WWCALL" --snapshot "$WORK/shots" Coravel.ZuzirarRegistry ShowGraphfrm
  has "$out" 'window: frmGraph'
  has "$out" 'control: lblcount "2"'
}
head -c 1000000 /dev/urandom | tr -d 'I' | profile_case random
head -c 100000000 /dev/zero | tr '\0' '7' | profile_case long-line
python3 -c "import sys; sys.stdout.write(','.join(['1'] * 1000000) + '\n')" | profile_case million-fields
printf '"03/0\0001/2025",\0\0\0,"\0",9.00\r\n\0\0\0' | profile_case nuls
printf '"\xff\xfe\xc3(",\xe2\x82,"\xed\xa0\x80",\xf8\x88\x80\x80\x80,9.00\r\n' | profile_case invalid-utf8

# ---- registry paths -----------------------------------------------------------------
# Through wwcall a path is one argument, so at most 128 KB: the readers give
# "Error" or empty, the writers store nothing.
LONG=$(head -c 120000 /dev/zero | tr '\0' 'k')
run 0 "$WWCALL" Coravel.ZuzirarRegistry savestring i:0x80000001 "s:Software\\$LONG" s:v s:x
run 0 "$WWCALL" Coravel.ZuzirarRegistry getstring i:0x80000001 "s:Software\\$LONG" s:v
has "$out" 'result: empty'
run 0 "$WWCALL" Coravel.Declares GetStringValue "s:HKEY_CURRENT_USER\\Software\\$LONG" s:v
has "$out" 'result: s:"Error"'
run 0 "$WWCALL" Coravel.Declares CreateKey "s:HKEY_CURRENT_USER\\Software\\$LONG"
run 1 "$WWREG" query "HKCU\\Software\\$LONG"
has "$err" 'ERROR: '
run 0 "$WWREG" query 'HKCU\Software'
[[ "$out" != *kkkk* ]] || fail "a key past the limits was made"

# ---- export files ------------------------------------------------------------------
python3 - "$WORK/list.json" <<'PY'
import json, sys
rows = [["2024-03-%02d" % (i % 28 + 1), "Cook", str(i)] for i in range(5000)]
json.dump({"name": "lvwJobs", "columns": ["Date", "Job", "Hours"], "rows": rows}, open(sys.argv[1], "w"))
PY
newline="$WORK/new"$'\n'"line"
export_case() {  # TYPE FILE RESULT LASTERRORMSG
  run 0 "$WWCALL" Rowcast.CRowcast --set "lvwToPrint=list:$WORK/list.json" --then LastErrorMsg ExportListView "i:$1" "s:$2"
  has "$out" "result: i:$3"
  has "$out" "LastErrorMsg: s:\"$4\""
}
for type in 1 2; do
  export_case $type "$WORK/no/such/folder/out" 1 'Path not found'
  export_case $type /dev/full 1 'Path/File access error: /dev/full is not a regular file'
  export_case $type "$newline.$type" 0 ''
  [ -s "$newline.$type" ] || fail "no file named with a line break"
  # A disk that fills while the file is written (48 KB for about 150 KB).
  ( ulimit -f 48; trap '' XFSZ; export_case $type "$WORK/full.$type" 1 'Disk full'; exit "$failures" ) ||
    failures=$((failures + 1))
done
[ ! -e "$WORK/no" ] || fail "a folder was made for a refused export"
run 0 "$WWREG" add "HKCU\\$KEY" /v AppPath /d x /f
run 1 "$WWREG" export "HKCU\\$KEY" "$WORK/no/such/folder/out.reg" /y
has "$err" 'ERROR: Error opening the file. There may be a disk or file system error.'
run 1 "$WWREG" export "HKCU\\$KEY" /dev/full /y
has "$err" 'ERROR: Cannot export to /dev/full: it is not a regular file.'

# No writer writes into the settings store, by any of its names, nor waits
# on a FIFO: each refuses at once and the store keeps every setting.
ln -s "$WAGEWISE_REGISTRY" "$WORK/store-link.csv"
ln "$WAGEWISE_REGISTRY" "$WORK/store-hard.csv"
mkfifo "$WORK/fifo"
for target in "$WAGEWISE_REGISTRY" "$WORK/store-link.csv" "$WORK/store-hard.csv" "$WORK/./registry.sqlite3-wal"; do
  for type in 1 2; do
    run 0 "$WWCALL" Rowcast.CRowcast --set "lvwToPrint=list:$WORK/list.json" --then LastErrorMsg ExportListView "i:$type" "s:$target"
    has "$out" "LastErrorMsg: s:\"Path/File access error: $target is a file of the settings store\""
  done
  ROWCAST_PRINT_TO=$target run 0 "$WWCALL" Rowcast.CRowcast --set "lvwToPrint=list:$WORK/list.json" --then LastErrorMsg Tabulon i:1
  has "$out" "LastErrorMsg: s:\"Cannot print to $target: a file of the settings store\""
  run 1 "$WWREG" export "HKCU\\$KEY" "$target" /y
  has "$err" "ERROR: Cannot export to $target: it is a file of the registry store itself."
done
[ "$(sqlite3 "$WAGEWISE_REGISTRY" 'PRAGMA integrity_check')" = ok ] || fail "the store was damaged by a writer"
run 0 "$WWREG" query "HKCU\\$KEY" /v AppPath
has "$out" "    AppPath    REG_SZ    x"
started=$(date +%s%N)
for type in 1 2; do
  run 0 "$WWCALL" Rowcast.CRowcast --set "lvwToPrint=list:$WORK/list.json" --then LastErrorMsg ExportListView "i:$type" "s:$WORK/fifo"
  has "$out" "LastErrorMsg: s:\"Path/File access error: $WORK/fifo is not a regular file\""
done
ROWCAST_PRINT_TO="$WORK/fifo" run 0 "$WWCALL" Rowcast.CRowcast --set "lvwToPrint=list:$WORK/list.json" --then LastErrorMsg Tabulon i:1
has "$out" "LastErrorMsg: s:\"Cannot print to $WORK/fifo: not a regular file\""
run 1 "$WWREG" export "HKCU\\$KEY" "$WORK/fifo" /y
has "$err" "ERROR: Cannot export to $WORK/fifo: it is not a regular file."
[ $(( ($(date +%s%N) - started) / 1000000 )) -lt 8000 ] || fail "refusing a FIFO took more than 8 s for four calls"
run 0 "$WWREG" export "HKCU\\$KEY" "$newline.reg"
[ -s "$newline.reg" ] || fail "wwreg wrote no file named with a line break"

# A read-only folder binds only a user other than root: as root, the case
# runs as nobody, with a store and list of its own.
as_user=()
if [ "$(id -u)" = 0 ]; then
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=/nonexistent)
  SHARED=$(mktemp -d) && chmod 777 "$SHARED"
  trap 'chmod -R u+rwX "$WORK"; rm -rf "$WORK" "$SHARED"' EXIT
else
  SHARED=$WORK
fi
mkdir "$SHARED/readonly" && cp "$WORK/list.json" "$SHARED/" && chmod 644 "$SHARED/list.json" && chmod 555 "$SHARED/readonly"
if WAGEWISE_REGISTRY="$SHARED/user.sqlite3" timeout 30 "${as_user[@]}" "$WWCALL" --register "$ROWCAST" >/dev/null 2>&1; then
  for type in 1 2; do
    out=$(WAGEWISE_REGISTRY="$SHARED/user.sqlite3" timeout 30 "${as_user[@]}" "$WWCALL" Rowcast.CRowcast \
          --set "lvwToPrint=list:$SHARED/list.json" --then LastErrorMsg ExportListView "i:$type" "s:$SHARED/readonly/out" 2>&1)
    has "$out" 'LastErrorMsg: s:"Path/File access error"'
  done
  WAGEWISE_REGISTRY="$SHARED/user.sqlite3" timeout 30 "${as_user[@]}" "$WWREG" add 'HKCU\Software\X' /f >/dev/null
  err=$(WAGEWISE_REGISTRY="$SHARED/user.sqlite3" timeout 30 "${as_user[@]}" "$WWREG" export 'HKCU\Software' "$SHARED/readonly/out.reg" 2>&1)
  [ $? -eq 1 ] || fail "wwreg export into a read-only folder did not fail"
  has "$err" 'ERROR: Error opening the file. There may be a disk or file system error.'
else
  echo "SKIP: cannot run as another user here; read-only folders not tried"
fi

# ---- lists and literals ------------------------------------------------------------
# A list file cut off midway, or not a list at all: exit 2 and why.
head -c 50000 "$WORK/list.json" >"$WORK/cut.json"
for bad in "$WORK/cut.json" "$WORK/missing.json" "$WORK" /dev/urandom; do
  run 2 "$WWCALL" Rowcast.CRowcast --set "lvwToPrint=list:$bad" ExportListView i:1 "s:$WORK/out.csv"
  has "$err" "wwcall: "
done
for literal in 'i:' 'i:12x' 'i:0x1ffffffff' 'd:1.2.3' 'b:maybe' 'a:["x",' 'a:[1]' 'q:1' 's' ''; do
  run 2 "$WWCALL" Coravel.Declares ErrorMsg "$literal"
  has "$err" "wwcall: "
done
run 2 "$WWCALL" --snapshot
run 2 "$WWCALL" --answer perhaps Coravel.Declares ErrorMsg i:1

# wwreg: malformed data, and files that are not registry files; nothing changes.
run 1 "$WWREG" add "HKCU\\$KEY" /v n /t REG_DWORD /d 0x1ffffffff /f
run 1 "$WWREG" add "HKCU\\$KEY" /v n /t REG_DWORD /d twelve /f
run 1 "$WWREG" add "HKCU\\$KEY" /v n /t REG_BINARY /d 0g /f
run 1 "$WWREG" add "HKCU\\$KEY" /v n /t REG_NOPE /d 1 /f
run 1 "$WWREG" add "HKXX\\$KEY" /v n /d 1 /f
has "$err" 'ERROR: Invalid key name.'
head -c 100000 /dev/urandom >"$WORK/random.reg"
{ printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Imported]\r\n"a"="1"\r\n'
  printf '[HKEY_CURRENT_USER\\Software\\%s]\r\n' "$(head -c 1100000 /dev/zero | tr '\0' 'k')"; } >"$WORK/long-line.reg"
{ printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Imported]\r\n"a"="1"\r\n'
  printf '[HKEY_CURRENT_USER\\Software\\%s]\r\n' "$(head -c 300000 /dev/zero | tr '\0' 'k')"; } >"$WORK/long-key.reg"
{ printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Imported]\r\n"a\0b"="1"\r\n'; } >"$WORK/nul.reg"
{ printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Imported]\r\n"a"="cut sho'; } >"$WORK/cut.reg"
for file in "$WORK/random.reg" "$WORK/long-line.reg" "$WORK/long-key.reg" "$WORK/nul.reg" "$WORK/cut.reg" \
            "$WORK/missing.reg" "$WORK"; do
  run 1 "$WWREG" import "$file"
  has "$err" 'ERROR: '
  [ "${#err}" -lt 1000 ] || fail "wwreg import $file: a message of ${#err} bytes"
done
# Sources that never end or never begin, and files past the size limit
# (sparse: 3 GB that cost nothing), are refused at once (5 s at the most).
mkfifo "$WORK/pipe.reg"
truncate -s 3G "$WORK/sparse.reg"
for file in /dev/urandom "$WORK/pipe.reg" "$WORK/sparse.reg" /dev/stdin; do
  yes | timeout 5 "$WWREG" import "$file" >/dev/null 2>"$WORK/err"; got=$?
  [ "$got" -eq 1 ] || fail "wwreg import $file exited $got, wanted 1 within 5 s"
  grep -q '^ERROR: ' "$WORK/err" || fail "wwreg import $file said: $(head -c 300 "$WORK/err")"
done
run 1 "$WWREG" query 'HKCU\Software\Imported'

exit "$failures"
