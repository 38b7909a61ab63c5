#!/usr/bin/env bash
# Renders docs/main-window.png and docs/action-editor.png on a private X server.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/lib.sh
ensure_packages build test
build build -DVANTRELL_SCREENSHOTS=ON
exec xvfb-run -a -s "-screen 0 1280x1024x24" build/tools/screenshots/vantrell_screenshots docs
