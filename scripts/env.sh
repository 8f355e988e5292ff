# Environment for running the viewer here: the web view's sandbox cannot run as root.
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
