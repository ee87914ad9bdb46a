#!/bin/sh
# Runs the browser tests against a build: tests/e2e/run.sh <build-dir>
# Installs Debian's Chromium and the npm packages of package.json first when missing.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: tests/e2e/run.sh <build-dir>}" && pwd)

if [ ! -x "$build/src/host/chimewell" ]; then
  echo "run.sh: $build/src/host/chimewell is missing; build the project first" >&2
  exit 1
fi
if ! command -v chromium >/dev/null 2>&1; then
  echo "Installing Chromium (Debian package)..."
  [ "$(id -u)" -eq 0 ] && sudo_prefix="" || sudo_prefix="sudo"
  $sudo_prefix apt-get install -y --no-install-recommends chromium
fi
if ! (cd "$here" && npm ls --all >/dev/null 2>&1); then
  echo "Installing the browser-test packages (npm)..."
  (cd "$here" && npm ci --no-audit --no-fund)
fi
cd "$here"
CHIMEWELL_BUILD_DIR="$build" CHROMIUM="$(command -v chromium)" node --test --test-concurrency=1 ./*.test.mjs
