#!/usr/bin/env bash
# Installs the build into a temporary prefix, builds tiny_host against it with
# find_package(Wagewise), and runs it on a store in the same temporary folder.
# Usage: install_test.sh BUILD_DIR [SANITIZE]  (SANITIZE=ON for a sanitizer build)
set -euo pipefail
build="$1"
sanitize=()
if [ "${2:-OFF}" = ON ]; then  # the installed static libraries need the same runtime
  flags="-fsanitize=address,undefined"
  sanitize=(-DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags")
fi
here="$(cd "$(dirname "$0")" && pwd)"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

launcher="$(command -v ccache || true)"
cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
test -x "$tmp/prefix/bin/wagewise-demo"
cmake -S "$here" -B "$tmp/host" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$tmp/prefix" \
  ${launcher:+-DCMAKE_CXX_COMPILER_LAUNCHER="$launcher"} "${sanitize[@]}" >/dev/null
cmake --build "$tmp/host" >/dev/null

export WAGEWISE_REGISTRY="$tmp/registry.sqlite3"
"$tmp/host/tiny_host" "$tmp/out.csv" > "$tmp/said"
diff -u - "$tmp/said" <<'END'
SickPay: 9.5
ExportListView: 0
END
printf '"01/02/2025","90.75"\r\n' | cmp - "$tmp/out.csv"
# The installed demo finds its installed libraries.
"$tmp/prefix/bin/wagewise-demo" --help | grep -q -- '--batch OUTDIR'
echo "installed tree: tiny host built and ran"
