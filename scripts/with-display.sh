#!/bin/sh
# Runs a command with a display: the current one, or a private Xvfb server.
set -eu
if [ -n "${DISPLAY:-}" ]; then
    exec "$@"
fi
exec xvfb-run --auto-servernum --server-args="-screen 0 1280x1024x24" "$@"
