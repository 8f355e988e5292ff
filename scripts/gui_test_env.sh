#!/bin/sh
# Runs a window test (or its test listing) on Qt's offscreen platform; as root the web
# view's sandbox cannot run, so it is turned off.
export QT_QPA_PLATFORM=offscreen
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
exec "$@"
