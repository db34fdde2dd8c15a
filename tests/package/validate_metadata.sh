#!/usr/bin/env bash
# Validates the desktop entry and the AppStream metainfo as software centres
# and menus read them. Usage: validate_metadata.sh DESKTOP_FILE METAINFO_FILE
set -euo pipefail
desktop-file-validate "$1"
appstreamcli validate --no-net "$2"
