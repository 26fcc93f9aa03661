#!/usr/bin/env bash
# Builds both Debian packages from the build tree, unpacks them into a
# temporary root (no change to the system), runs lintian on them, reads the
# man pages, builds and runs the tiny host against the unpacked tree, and has
# the unpacked wagewise-demo replace a registration whose library is gone.
# Usage: package_test.sh BUILD_DIR   (lintian and man come from scripts/setup)
set -euo pipefail
build="$(cd "$1" && pwd)"
root_src="$(cd "$(dirname "$0")/.." && pwd)"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

(cd "$tmp" && cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/debs" >/dev/null)
runtime=$(ls "$tmp"/debs/wagewise_*.deb)
dev=$(ls "$tmp"/debs/wagewise-dev_*.deb)
for deb in "$runtime" "$dev"; do
  echo "package: $(basename "$deb") $(stat -c %s "$deb") bytes"
  dpkg-deb -x "$deb" "$tmp/root"
done
dpkg-deb -f "$dev" Depends | grep -q "wagewise (= $(dpkg-deb -f "$runtime" Version)), qt6-base-dev, libsqlite3-dev"

# No errors; every warning is one the override files explain.
lintian --no-tag-display-limit "$runtime" "$dev" 2>/dev/null | tee "$tmp/lintian"
if grep -E '^[EW]:' "$tmp/lintian"; then echo "lintian: errors or unexplained warnings" >&2; exit 1; fi

# Each page renders, and names every option its program's --help names.
usr="$tmp/root/usr"
for program in wwreg wwcall wagewise-demo; do
  MANWIDTH=200 man -l "$usr/share/man/man1/$program.1.gz" 2>&1 >"$tmp/$program.txt" | { ! grep .; }
  grep -q "^NAME" "$tmp/$program.txt"
done
for program in wwcall wagewise-demo; do
  "$usr/bin/$program" --help 2>&1 | grep -o -- '--[a-z-]*' | sort -u | while read -r option; do
    grep -q -- "$option" "$tmp/$program.txt" || { echo "$program.1 lacks $option" >&2; exit 1; }
  done
done

# The tiny host, built with find_package(Wagewise) against the unpacked tree.
cmake -S "$root_src/host/install_test" -B "$tmp/host" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$usr" >/dev/null
cmake --build "$tmp/host" >/dev/null
export WAGEWISE_REGISTRY="$tmp/registry.sqlite3" QT_QPA_PLATFORM=offscreen
"$tmp/host/tiny_host" "$tmp/out.csv" | grep -qx 'ExportListView: 0'
grep -q "90.75" "$tmp/out.csv"

# A store registered from a library that is gone since: the unpacked demo
# registers its own libraries instead, and says why.
mkdir "$tmp/old"
cp "$build/lib/librowcast.so.2" "$tmp/old/librowcast.so.2"
"$build/bin/wwcall" --register "$tmp/old/librowcast.so.2" >/dev/null
rm "$tmp/old/librowcast.so.2"
"$usr/bin/wagewise-demo" --batch "$tmp/batch" --profiles "$root_src/samples/profiles" >/dev/null 2>"$tmp/demo.err"
grep "registered the Rowcast library again: the store named $tmp/old/librowcast.so.2, which is missing" "$tmp/demo.err" ||
  { cat "$tmp/demo.err" >&2; exit 1; }
echo "packages: built, unpacked, lintian clean, tiny host and demo ran"
