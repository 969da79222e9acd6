#!/usr/bin/env bash
# Takes the pictures in docs/: both main windows after "Synchronize now", the secondary's also
# during the run with its progress and Stop button, the primary's table of its secondaries
# alone (with a report of every state seeded), the settings dialogs,
# the client synchronisation dialog and Compare Ini-files, in English, German and French, each
# on a fresh demo installation (scripts/demo.sh) under a virtual X server:
#   scripts/screenshots.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target zezodi zezodictl zezodi-screenshots

export ZEZODI_DEMO_PROGRAM=$root/build/release/tools/zezodi-screenshots
export ZEZODI_TRANSLATIONS_DIR=$root/build/release/app/translations
export ZEZODI_SHOTS_DIR=$root/docs
# The same look on every machine: Qt's own style, no desktop theme.
export QT_STYLE_OVERRIDE=Fusion QT_QPA_PLATFORMTHEME=
mkdir -p "$ZEZODI_SHOTS_DIR"
for language in en de fr; do
  case "$language" in
    en) demo_language=() ;;
    de) demo_language=(DT) ;;
    fr) demo_language=(FR) ;;
  esac
  for role in primary secondary; do
    # Fresh desktop settings for every picture: widths remembered from another language's
    # windows would cut this one's texts.
    rm -rf "$root/build/shots-config" && mkdir -p "$root/build/shots-config"
    XDG_CONFIG_HOME=$root/build/shots-config ZEZODI_SHOTS_NAME=$language xvfb-run -a -s "-screen 0 1280x1024x24" \
      scripts/demo.sh "$role" "${demo_language[@]}"
  done
done
