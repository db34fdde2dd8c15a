#!/usr/bin/env bash
# Renders the main window under Xvfb once per visual style, writes one PNG
# per style and a contact sheet of all eight (ImageMagick montage).
# Usage: screenshot-styles.sh [BUILD_DIR] [OUT_DIR] [SHEET]
# SHEET defaults to OUT_DIR/styles.png; the README's sheet is docs/styles.png:
#   bash scripts/screenshot-styles.sh build build/screenshots docs/styles.png
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
out=$(realpath -m "${2:-$build/screenshots}")
sheet=$(realpath -m "${3:-$out/styles.png}")
mkdir -p "$out" "$(dirname "$sheet")"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$build/Runpad" "$work/Runpad"
# A preview picture file makes the first command show its image marker.
cp src/ui/resources/builtin_preview.jpg "$work/cmd.jpg"

export WORK="$work" OUT="$out"
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  set -euo pipefail
  export QT_QPA_PLATFORM=xcb
  cd "$WORK"
  for style in "Windows" "Aqua Light Slate" "Glossy" "Glow" "Iceberg Classico" \
               "Lavender Classico" "Sky" "Slate Classico"; do
    cat > Runpad.ini <<INI
[Styles]
Style Name=$style
Form Width=1200
Form Height=700
Form Left=0
Form Top=0
table width=620
[Table]
1-0=Function
2-0=command
3-0=Description
1-1=DOS command
2-1=cmd
3-1=DOS command window
1-2=power command
2-2=powershell.exe
3-2=powershell command
1-3=Editor
2-3=gedit notes.txt
3-3=Edit the notes
1-4=Home folder
2-4=/home
3-4=Open the home folder
1-5=Web search
2-5=https://duckduckgo.com
3-5=Search the web
INI
    ./Runpad & pid=$!
    if ! timeout 30 xdotool search --sync --onlyvisible --name "^Runpad$" >/dev/null; then
      echo "Runpad did not show its main window" >&2; kill "$pid" 2>/dev/null || true; exit 1
    fi
    sleep 1
    file="$OUT/style-$(echo "$style" | tr "A-Z " "a-z-").png"
    import -window root -crop 1200x700+0+0 "$file"
    kill -TERM "$pid"; wait "$pid" || true
    echo "$file"
  done
'

# Four across, two down, each shot a third of its size, named by its style;
# a palette of 256 colours keeps the sheet small enough for the repository.
labelled=()
for style in "Windows" "Aqua Light Slate" "Glossy" "Glow" "Iceberg Classico" \
             "Lavender Classico" "Sky" "Slate Classico"; do
  labelled+=(-label "$style" "$out/style-$(echo "$style" | tr "A-Z " "a-z-").png")
done
montage "${labelled[@]}" -tile 4x2 -geometry 400x233+6+6 -pointsize 16 -background white \
  "PNG8:$sheet"
echo "$sheet"
