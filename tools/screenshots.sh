#!/usr/bin/env bash
# Renders the README's pictures in docs/ on private X servers: the main window during a run and the action
# editor, the main window at 200% scaling, and with a dark palette.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/lib.sh
ensure_packages build test
build build -DVANTRELL_SCREENSHOTS=ON
shots=build/tools/screenshots/vantrell_screenshots
xvfb-run -a -s "-screen 0 1280x1024x24" "$shots" docs
xvfb-run -a -s "-screen 0 2560x1600x24" "$shots" docs 200
xvfb-run -a -s "-screen 0 1280x1024x24" "$shots" docs dark
