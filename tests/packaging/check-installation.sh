#!/usr/bin/env bash
# Checks an installation and the Debian package of the build:
#   check-installation.sh BUILD_DIR SOURCE_DIR VERSION
# - installs into a temporary prefix and runs the installed larkspoon-cli with the
#   checkout's resources out of reach, so it must find its own beside its folder;
# - validates the launcher and the software-centre description;
# - builds the package and checks its files and dependencies;
# - checks the file-type rules with the desktop's own lookup (xdg-mime), in a private
#   XDG_DATA_HOME.
set -uo pipefail

build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }

# --- Installation into a temporary prefix -------------------------------------------
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" > "$work/install.log" 2>&1 || { cat "$work/install.log"; fail "cmake --install"; }

export HOME=$work/home QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME"
unset LARKSPOON_RESOURCES
run_cli() { env LARKSPOON_NO_SOURCE_RESOURCES=1 "$@" themes 2>&1; }

# Without an installation and without the checkout, nothing is found: this proves the
# next check is not satisfied by the checkout's resources.
if run_cli "$build/src/larkspoon-cli" | grep -q '"Brown"'; then
  fail "the build tree's larkspoon-cli found themes with the checkout's resources hidden"
fi
themes=$(run_cli "$prefix/bin/larkspoon-cli")
for theme in Brown Linen Sky Slate; do
  grep -q "\"$theme\"" <<< "$themes" || fail "installed larkspoon-cli themes lacks $theme: $themes"
done
ok "installed larkspoon-cli finds its own resources"

for f in bin/larkspoon bin/larkspoon-cli \
    "share/larkspoon/resources/Larkspoon!_v2.3.mom" "share/larkspoon/resources/New Library Recipes.lsr" \
    share/larkspoon/resources/Themes/Brown share/larkspoon/translations/larkspoon_en.qm \
    share/applications/larkspoon.desktop share/metainfo/org.larkspoon.Larkspoon.metainfo.xml \
    share/mime/packages/larkspoon.xml share/icons/hicolor/scalable/apps/larkspoon.svg; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done
for size in 16 24 32 48 64 128 256 512; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/larkspoon.png
  if [ ! -f "$png" ]; then fail "no ${size}px icon"; continue; fi
  # A PNG's IHDR holds width and height as big-endian 32-bit numbers at bytes 16-23.
  dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
  [ "$dims" = "${size}x${size}" ] || fail "${size}px icon is $dims"
done
[ -e "$prefix/bin/larkspoon-screenshots" ] && fail "the screenshot program is installed"
ok "installed files"

# --- Launcher and description -------------------------------------------------------
desktop=$prefix/share/applications/larkspoon.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate"
# The launcher's name is the one the program announces, so the desktop matches windows to it.
announced=$(grep -o 'setDesktopFileName(QStringLiteral("[^"]*")' "$source/src/shell/DesktopApplication.cpp" | sed 's/.*("\(.*\)")/\1/')
[ "$announced.desktop" = "$(basename "$desktop")" ] || fail "desktop file name differs from setDesktopFileName ($announced)"
grep -qx "StartupWMClass=$announced" "$desktop" || fail "StartupWMClass is not $announced"
grep -qx 'Exec=larkspoon %U' "$desktop" || fail "Exec line"
metainfo=$prefix/share/metainfo/org.larkspoon.Larkspoon.metainfo.xml
appstreamcli validate --no-net "$metainfo" > "$work/appstream.log" 2>&1 || { cat "$work/appstream.log"; fail "appstreamcli validate"; }
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo release is not $version"
grep -q '<launchable type="desktop-id">larkspoon.desktop</launchable>' "$metainfo" || fail "metainfo launchable"
ok "launcher and description"

# --- The Debian package -------------------------------------------------------------
if (cd "$build" && cpack -G DEB -B "$work/package" > "$work/cpack.log" 2>&1); then
  deb=$(ls "$work"/package/*.deb 2>/dev/null | head -1)
  # Each row: permissions, owner, size, date, time, then the path (which may hold spaces).
  dpkg-deb -c "$deb" | sed -E 's/^([^ ]+ +){5}//' > "$work/contents"
  for f in ./usr/bin/larkspoon ./usr/bin/larkspoon-cli ./usr/share/applications/larkspoon.desktop \
      "./usr/share/larkspoon/resources/Larkspoon!_v2.3.mom" "./usr/share/larkspoon/resources/New Library Recipes.lsr" ./usr/share/larkspoon/translations/larkspoon_en.qm \
      ./usr/share/metainfo/org.larkspoon.Larkspoon.metainfo.xml ./usr/share/mime/packages/larkspoon.xml \
      ./usr/share/icons/hicolor/512x512/apps/larkspoon.png ./usr/share/icons/hicolor/16x16/apps/larkspoon.png; do
    grep -qxF "$f" "$work/contents" || fail "package lacks $f"
  done
  if grep -E 'screenshots$|_tests$|bench|fuzz|/include/|\.a$' "$work/contents"; then
    fail "package holds build-only files"
  fi
  depends=$(dpkg-deb -f "$deb" Depends)
  for dep in libqt6core6 libqt6widgets6 libqt6webenginecore6 libqt6webenginecore6-bin libsqlite3-0 libopenjp2-7 libc6 libqt6svg6; do
    grep -qE "(^|, )$dep( |,|$)" <<< "$depends" || fail "Depends lacks $dep: $depends"
  done
  [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
  ok "package $(basename "$deb")"
else
  cat "$work/cpack.log"
  fail "cpack -G DEB"
fi

# --- File types ---------------------------------------------------------------------
if ! command -v xdg-mime > /dev/null || ! command -v update-mime-database > /dev/null; then
  echo "SKIPPED the file-type checks: xdg-mime or update-mime-database is not installed (xdg-utils, shared-mime-info)"
else
  export XDG_DATA_HOME=$work/xdg XDG_DATA_DIRS=/usr/share XDG_CURRENT_DESKTOP=GNOME
  mkdir -p "$XDG_DATA_HOME/mime/packages"
  cp "$prefix/share/mime/packages/larkspoon.xml" "$XDG_DATA_HOME/mime/packages/"
  update-mime-database "$XDG_DATA_HOME/mime" > "$work/mime.log" 2>&1
  grep -q 'parser error\|Failed' "$work/mime.log" && { cat "$work/mime.log"; fail "update-mime-database"; }
  samples=$work/samples
  mkdir -p "$samples"
  echo '<?xml version="1.0"?><recipes/>' > "$samples/a.lsr"
  echo '<?xml version="1.0"?><mx2/>' > "$samples/a.mx2"
  for ext in mgourmet mgourmet3 mgourmet4 Larkspoon! database; do echo data > "$samples/a.$ext"; done
  echo data > "$samples/a.mmf"
  printf 'MMMMM----- Recipe via Meal-Master (tm) v8.05\n\n      Title: Soup\n' > "$samples/soup"
  printf -- '---------- Recipe via Meal-Master (tm) v8.02\n\n      Title: Stew\n' > "$samples/stew"
  printf -- '----- Shopping list -----\nMilk\n' > "$samples/notmm"
  printf 'Just a note\n' > "$samples/note.txt"
  while read -r file expected; do
    actual=$(xdg-mime query filetype "$samples/$file" 2>/dev/null)
    [ "$actual" = "$expected" ] || fail "xdg-mime: $file is $actual, expected $expected"
  done <<'TABLE'
a.lsr application/x-larkspoon-exchange
a.mx2 application/x-mastercook-mx2
a.mgourmet application/x-macgourmet
a.mgourmet3 application/x-macgourmet3
a.mgourmet4 application/x-macgourmet4
a.Larkspoon! application/x-larkspoon-v1-export
a.database application/x-larkspoon-v1-database
a.mmf text/x-mealmaster
soup text/x-mealmaster
stew text/x-mealmaster
notmm text/plain
note.txt text/plain
TABLE
  # The desktop's lookup reports every folder as inode/directory, so the library
  # folders' rule is checked in the compiled database.
  grep -qx 'inode/x-larkspoon-library inode/directory' "$XDG_DATA_HOME/mime/subclasses" || fail "library folder is no inode/directory subclass"
  grep -q ':inode/x-larkspoon-library:\*\.library' "$XDG_DATA_HOME/mime/globs2" || fail "no *.library glob"
  # Every type the launcher claims is defined here or a link scheme.
  for type in $(sed -n 's/^MimeType=//p' "$desktop" | tr ';' ' '); do
    case $type in
      x-scheme-handler/larkspoonfeed | x-scheme-handler/larkspoonfeeds) ;;
      *) grep -q "type=\"$type\"" "$prefix/share/mime/packages/larkspoon.xml" || fail "launcher claims undefined $type" ;;
    esac
  done
  for scheme in larkspoonfeed larkspoonfeeds; do
    grep -q "x-scheme-handler/$scheme;" "$desktop" || fail "launcher does not handle $scheme links"
  done
  ok "file types"
fi

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "installation and package: all checks passed"
