#!/usr/bin/env bash
# The installed layout works: the build is installed into a temporary prefix, as a package would
# lay it out under /usr, and scripts/check-installed runs the installed programs from there.
set -euo pipefail
build="${1:?usage: installed-layout.sh BUILD_DIR SCRIPTS_DIR}"
scripts="${2:?usage: installed-layout.sh BUILD_DIR SCRIPTS_DIR}"
prefix="$(mktemp -d "${TMPDIR:-/tmp}/ovelin-prefix.XXXXXX")"
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
"$scripts/check-installed" "$prefix"
