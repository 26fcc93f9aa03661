#!/usr/bin/env bash
# Runs wwcall end to end, as a scripted host: registers both libraries into a
# store in a temporary folder, then checks what the command line promises
# (results, by-reference write-back, faults, message boxes and their answers,
# reading LastErrorMsg after a refused print job, window snapshots, and
# failing fast where it cannot work).
# Usage: wwcall_cli_test.sh path/to/wwcall path/to/libcoravel2.so path/to/librowcast.so
set -u
WWCALL=${1:?usage: $0 wwcall libcoravel2.so librowcast.so}
CORAVEL=${2:?}
ROWCAST=${3:?}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export WAGEWISE_REGISTRY="$WORK/registry.sqlite3"
export ROWCAST_PRINT_TO="$WORK/printed.pdf"
export QT_QPA_PLATFORM=offscreen
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect CODE ARGS...: runs wwcall (under the command in ${launch[@]}, env by
# default; a hang counts as exit 124); stdout in $out, stderr in $err.
launch=(env)
expect() {
  local want=$1; shift
  out=$(timeout 60 "${launch[@]}" "$WWCALL" "$@" 2>"$WORK/err" </dev/null); local got=$?
  err=$(grep -v '^QStandardPaths' "$WORK/err")
  [ "$got" -eq "$want" ] || fail "wwcall $* exited $got, wanted $want (stderr: $err)"
}
has() { grep -qxF -- "$2" <<<"$1" || fail "missing line: $2 (got: $1)"; }

expect 0 --register "$CORAVEL"
expect 0 --register "$ROWCAST"

# Results and by-reference write-back.
expect 0 Coravel.ZuzirarRegistry savestring i:0x80000001 's:Software\Vandr\Registry' s:SickPay 's:9.5'
expect 0 Coravel.ZuzirarRegistry getstringp s: s:SickPay
has "$out" 'result: s:"9.5"'
has "$out" 'arg 1: s:"Software\\Vandr\\Registry"'
# An argument the member leaves alone comes back as it went in.
expect 0 Coravel.ZuzirarRegistry savestring i:0x80000001 's:Software\Vandr\Registry' s:Shifts i:7
has "$out" 'arg 1: i:-2147483647'
has "$out" 'arg 4: i:7'
expect 0 Coravel.Declares ErrorMsg i:1014
has "$out" 'result: s:"Undefined Error Code:   1014"'

# The single-byte calls' code page is 1252: the euro sign and curly quotes
# are stored as their bytes and read back; Greek has no byte and is "?".
expect 0 Coravel.ZuzirarRegistry savestring i:0x80000001 's:Software\Vandr\Registry' s:euro 's:5€ “x” Ω'
expect 0 Coravel.ZuzirarRegistry getstringp s: s:euro
has "$out" 'result: s:"5€ “x” ?"'

# Faults go to standard error with exit status 1.
expect 1 Coravel.ZuzirarRegistry RunExcelfrm
has "$err" 'fault: 424 Object required'
expect 1 Coravel.NoSuchClass Anything
expect 2 Coravel.Declares ErrorMsg 42
expect 2 Coravel.Declares ErrorMsg i:0x-1

# Qt never takes wwcall's arguments for its own; a display that cannot be
# reached leaves wwcall headless instead of aborting it.
expect 1 -platform nope
has "$err" 'fault: 429 Component can'"'"'t create object: -platform is not registered'
launch=(env -u QT_QPA_PLATFORM DISPLAY=:9173)
expect 0 Coravel.Declares ErrorMsg i:1014
launch=(env)

# A store that cannot be opened is reported as that, with its path.
head -c 8192 /dev/urandom >"$WORK/garbage.sqlite3"
launch=(env "WAGEWISE_REGISTRY=$WORK/garbage.sqlite3")
expect 1 Coravel.Declares ErrorMsg i:1014
has "$err" "fault: 429 Component can't create object: cannot open the settings store $WORK/garbage.sqlite3 (registry error 1009)"
launch=(env)

# Windows: without a display they fail at once; with --snapshot they are
# drawn, listed and closed through the close box, which stores nothing.
expect 0 Coravel.ZuzirarRegistry savestring i:0x80000001 's:Software\Vandr\Registry' s:HolidaysPay 's:12.50'
expect 0 Coravel.ZuzirarRegistry savestring i:0x80000001 's:Software\Vandr\Registry' s:HolidaysPayTimeDouble s:True
expect 1 Coravel.ZuzirarRegistry ShowHolidayfrm
has "$err" 'fault: 5 no display to show frmHolidays on'
expect 0 --snapshot "$WORK/shots" Coravel.ZuzirarRegistry ShowHolidayfrm
has "$out" 'window: frmHolidays "Holidays"'
has "$out" 'control: txtHolidaysTemp "12.50"'
has "$out" 'control: txtHolidays "25.00"'
has "$out" 'control: optTimeDouble "Double Time ( 2 )   [$25.00]" checked'
has "$out" 'control: optTimeHalf "Time and a half ( 1½ )"'
has "$out" 'result: empty'
[ -s "$WORK/shots/frmHolidays.png" ] || fail "no picture of frmHolidays"
expect 0 --snapshot "$WORK/shots" Coravel.ZuzirarRegistry ShowSickfrm
has "$out" 'window: frmSick "Sick"'
# After the control lines, what assistive technology reads: one line an
# exposed control, in tab order.
accessible=$(grep '^accessible: ' <<<"$out")
[ "$accessible" = 'accessible: Picture1 Graphic "Sick pay picture"
accessible: Label1 StaticText "Enter the amount of Sick pay rate: $"
accessible: Label2 StaticText "Sick pay at:"
accessible: Label3 StaticText "hours per day."
accessible: txtSick EditableText "Enter the amount of Sick pay rate: $"
accessible: txtSickHrs EditableText "Sick pay at:"
accessible: GoldButton1 Button "Ok"' ] || fail "accessible lines of frmSick: $accessible"
[ "$(grep -n '^control: ' <<<"$out" | tail -1 | cut -d: -f1)" -lt "$(grep -n '^accessible: ' <<<"$out" | head -1 | cut -d: -f1)" ] ||
  fail "accessible lines before the control lines: $out"
[ -s "$WORK/shots/frmSick.png" ] || fail "no picture of frmSick"
expect 0 Coravel.ZuzirarRegistry getstringp s: s:HolidaysPayTimeNone
has "$out" 'result: empty'
expect 0 --snapshot "$WORK/shots" Rowcast.CRowcast about
has "$out" 'window: frmAbout "About Rowcast"'
has "$out" 'control: lblVersion "Version 2.1.0"'
[ -s "$WORK/shots/frmAbout.png" ] || fail "no picture of frmAbout"

# The yearly graph over the bundled sample profiles: statistics, year and the
# other-year warning as the window shows them.
samples="$(cd "$(dirname "$0")/../../samples/profiles" && pwd)"
expect 0 Coravel.ZuzirarRegistry savestring i:0x80000001 's:Software\Vandr\Registry' s:AppPath "s:$samples"
expect 0 --snapshot "$WORK/shots" Coravel.ZuzirarRegistry ShowGraphfrm
has "$out" 'window: frmGraph "Wagewise Yearly Graph"'
has "$out" 'control: lblNetPayTotal2 "$43,558.54"'
has "$out" 'control: lblHighestEarning2 "$4,412.43"'
has "$out" 'control: lblLowEarning "$2,293.50"'
has "$out" 'control: lblAverage2 "$3,629.00"'
has "$out" 'control: lblYear "Year of: 2025"'
has "$out" 'control: lblDetectedAnotherYear " Another Year detected in loaded Profiles - not graphed : 12/27/2024 : 12/31/2024"'
has "$out" 'control: lblcount "3"'
[ -s "$WORK/shots/frmGraph.png" ] || fail "no picture of frmGraph"

# A small tree with every option stored on: a file reached by a link is read
# once, a byte-order mark is no part of the first date, "05/01/25" is of
# 2025, and the opening reads each file once.
tree="$WORK/tree"
mkdir -p "$tree"
row() { printf '%s,"7:00 AM","3:00 PM",8.00,8.00,0.00,"$%s","$0.00","$%s","$0.00","$0.00","No",0.50\r\n' "$1" "$2" "$2"; }
{ printf '\xef\xbb\xbf'; row 04/01/2025 25.00; } >"$tree/a_bom.dat"
row 05/01/25 50.00 >"$tree/b_short.dat"
row 03/01/2025 100.00 >"$tree/c_main.dat"
ln -s c_main.dat "$tree/d_link.dat"
for option in ShowHorizonal ShowVertical ShowAverage; do
  expect 0 Coravel.ZuzirarRegistry savestring i:0x80000001 's:Software\Vandr\Registry' "s:$option" s:1
done
expect 0 Coravel.ZuzirarRegistry savestring i:0x80000001 's:Software\Vandr\Registry' s:AppPath "s:$tree"
expect 0 --snapshot "$WORK/tree-shots" Coravel.ZuzirarRegistry ShowGraphfrm
has "$out" 'control: ckAverage "Show yearly average" checked'
has "$out" 'control: lblcount "3"'
has "$out" 'control: lblNetPayTotal2 "$175.00"'
has "$out" 'control: lblHighestEarning2 "$100.00"'
has "$out" 'control: lblLowEarning "$25.00"'
has "$out" 'control: lblAverage2 "$58.00"'
has "$out" 'control: lblYear "Year of: 2025"'
has "$out" 'control: lblDetectedAnotherYear " Another Year detected in loaded Profiles - not graphed" hidden'

# By-reference arguments are written back and printed after a fault too.
expect 0 Coravel.Declares CreateKey 's:HKEY_CURRENT_USER\Software\X'
expect 1 Coravel.Declares SetBinaryValue 's:HKEY_CURRENT_USER\Software\X' s:v s:
has "$err" 'fault: 9 Subscript out of range'
has "$out" 'arg 1: s:"Software\\X"'

# A message box is printed and answered; the path stays as passed.
expect 0 Coravel.Declares CreateKey 's:hkey_current_user\Software'
has "$err" 'msgbox: Coravel: Incorrect Format:\n\nhkey_current_user\\Software'
has "$out" 'arg 1: s:"hkey_current_user\\Software"'

# A list too wide for any page: the rotate question (answered Yes), then the
# overflow box, and 1 with an empty LastErrorMsg.
python3 - "$WORK/wide.json" <<'PY'
import json, sys
cols = ["Column %d %s" % (i, "w" * 60) for i in range(13)]
json.dump({"name": "lvwWide", "columns": cols, "rows": [cols]}, open(sys.argv[1], "w"))
PY
expect 0 --answer yes Rowcast.CRowcast --set "lvwToPrint=list:$WORK/wide.json" --then LastErrorMsg Tabulon i:1
has "$err" 'msgbox: Output to Wide: The output that you have defined is currently wider than the page.  Would you like to rotate the output?'
has "$err" 'msgbox: Output Overflow: Unable to fit output to the page even after rotating.  Please Adjust'
has "$out" 'result: i:1'
has "$out" 'LastErrorMsg: s:""'

# A cell far wider than any page is too wide at every size, however long.
python3 - "$WORK/huge.json" <<'PY'
import json, sys
json.dump({"name": "lvwHuge", "columns": ["Note"], "rows": [["W" * 600000]]}, open(sys.argv[1], "w"))
PY
expect 0 --answer yes Rowcast.CRowcast --set "lvwToPrint=list:$WORK/huge.json" Tabulon i:1
has "$err" 'msgbox: Output Overflow: Unable to fit output to the page even after rotating.  Please Adjust'
has "$out" 'result: i:1'

# A list file past 64 MiB (sparse: 2 GB that cost nothing) and a pipe
# without a writer are refused at once, before anything is read.
truncate -s 2G "$WORK/big.json"
mkfifo "$WORK/pipe.json"
for file in big.json pipe.json; do
  launch=(timeout 5)
  expect 2 Rowcast.CRowcast --set "lvwToPrint=list:$WORK/$file" ExportListView i:1 "s:$WORK/out.csv"
  launch=(env)
done
has "$err" "wwcall: list:$WORK/pipe.json: not a regular file"
expect 2 Rowcast.CRowcast --set "lvwToPrint=list:$WORK/big.json" ExportListView i:1 "s:$WORK/out.csv"
has "$err" "wwcall: list:$WORK/big.json: 2147483648 bytes, more than the 67108864 a list file may have"

# Without a list: the message of the method.
expect 0 Rowcast.CRowcast --then LastErrorMsg ExportListView i:7
has "$out" 'LastErrorMsg: s:"List View Not Defined"'

# Print jobs whose file cannot be written. A copy of the library keeps its
# error log in this folder.
mkdir "$WORK/lib" && cp "$ROWCAST" "$WORK/lib/" || fail "copying the library"
expect 0 --register "$WORK/lib/$(basename "$ROWCAST")"
python3 - "$WORK/long.json" <<'PY'
import json, sys
rows = [["2024-03-%02d" % (i % 28 + 1), "Cook", str(i)] for i in range(2000)]
json.dump({"name": "lvwLong", "columns": ["Date", "Job", "Hours"], "rows": rows}, open(sys.argv[1], "w"))
PY
records=0
for target in /dev/full "$WORK/no/such/folder/printed.pdf"; do
  ROWCAST_PRINT_TO=$target expect 0 Rowcast.CRowcast --set "lvwToPrint=list:$WORK/long.json" --then LastErrorMsg Tabulon i:1
  has "$out" 'result: i:1'
  grep -q "^LastErrorMsg: s:\"Cannot print to $target: " <<<"$out" || fail "no reason for $target: $out"
  [ "$(wc -l <<<"$err")" -eq 1 ] || fail "more than one line on standard error for $target: $(head -3 <<<"$err")"
  records=$((records + 4))
  [ "$(grep -c . "$WORK/lib/rowcast.err")" -eq "$records" ] || fail "not one log record for $target"
done
[ ! -e "$WORK/no" ] || fail "a folder was made for a refused print job"
# A file system that fills as the document ends (48 KB for a document of
# about 90 KB): no broken file is left.
( ulimit -f 48; trap '' XFSZ; ROWCAST_PRINT_TO="$WORK/full.pdf" expect 1 Rowcast.CRowcast --set "lvwToPrint=list:$WORK/long.json" Tabulon i:1
  has "$out" 'result: i:0'
  has "$err" "Rowcast: The printout could not be written to $WORK/full.pdf"
  exit "$failures" ) || failures=$((failures + 1))
[ ! -e "$WORK/full.pdf" ] || fail "a partial printout was left"
[ "$(grep -c . "$WORK/lib/rowcast.err")" -eq $((records + 4)) ] || fail "the failed end of the document was not logged"

# An export cut short by a file size limit (wwcall itself ignores the
# signal): "Disk full", and no half-written file left behind.
python3 - "$WORK/longer.json" <<'PY'
import json, sys
rows = [["2024-03-%02d" % (i % 28 + 1), "Cook", str(i)] for i in range(300000)]
json.dump({"name": "lvwLonger", "columns": ["Date", "Job", "Hours"], "rows": rows}, open(sys.argv[1], "w"))
PY
echo "an older export" >"$WORK/cut.csv"
( ulimit -f 4096; expect 0 Rowcast.CRowcast --set "lvwToPrint=list:$WORK/longer.json" --then LastErrorMsg ExportListView i:1 "s:$WORK/cut.csv"
  has "$out" 'result: i:1'
  has "$out" 'LastErrorMsg: s:"Disk full"'
  exit "$failures" ) || failures=$((failures + 1))
[ ! -e "$WORK/cut.csv" ] || fail "a partial export was left"

# The user's own store is no export target while WAGEWISE_REGISTRY names
# another, nor is a copy of a store under another name.
mkdir -p "$WORK/config/wagewise"
cp "$WAGEWISE_REGISTRY" "$WORK/config/wagewise/registry.sqlite3" && cp "$WAGEWISE_REGISTRY" "$WORK/copy.db" || fail "copying the store"
for target in "$WORK/config/wagewise/registry.sqlite3" "$WORK/copy.db"; do
  before=$(sha256sum <"$target")
  XDG_CONFIG_HOME="$WORK/config" expect 0 Rowcast.CRowcast --set "lvwToPrint=list:$WORK/long.json" --then LastErrorMsg ExportListView i:1 "s:$target"
  has "$out" "LastErrorMsg: s:\"Path/File access error: $target is a file of the settings store\""
  [ "$(sha256sum <"$target")" = "$before" ] || fail "$target was written"
done

# Only a library no one else may change is loaded, by an absolute path: a
# path in the store relative to the current folder, or a bare name for the
# library search, is not registered, and none of its code runs.
mkdir "$WORK/cwd"
printf '#include <stdio.h>\n__attribute__((constructor)) static void mark(void) { fclose(fopen(MARK, "w")); }\n' >"$WORK/marker.c"
cc -shared -fPIC -DMARK="\"$WORK/loaded\"" -o "$WORK/cwd/libmarker.so" "$WORK/marker.c" || fail "building the marker library"
marker_clsid='{00000000-0000-0000-0000-0000000000AB}'
expect 0 Coravel.ZuzirarRegistry savestring i:0x80000000 's:Marker.Class\CLSID' s: "s:$marker_clsid"
for library in ./libmarker.so libmarker.so; do
  expect 0 Coravel.ZuzirarRegistry savestring i:0x80000000 "s:CLSID\\$marker_clsid\\InprocServer32" s: "s:$library"
  (cd "$WORK/cwd" && LD_LIBRARY_PATH="$WORK/cwd" expect 1 Marker.Class Anything
   has "$err" "fault: 429 Component can't create object: Marker.Class is not registered: its library \"$library\" is not an absolute path; nothing was loaded"
   exit "$failures") || failures=$((failures + 1))
done
[ ! -e "$WORK/loaded" ] || fail "a library named by a relative path was loaded"
# Registering by a relative path stores the library's absolute, canonical path.
(cd "$WORK/lib" && expect 0 --register "./$(basename "$ROWCAST")"; exit "$failures") || failures=$((failures + 1))
expect 0 Coravel.ZuzirarRegistry getstring i:0x80000000 's:CLSID\{AF63FCB8-1399-4E93-974E-7FA20F0C2D3F}\InprocServer32' s:
has "$out" "result: s:\"$(realpath "$WORK/lib/$(basename "$ROWCAST")")\""

expect 0 --unregister "$ROWCAST"
expect 1 Rowcast.CRowcast ExportListView i:1

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all wwcall checks passed"
