#!/usr/bin/env bash
# Makes the Debian package from a build, for the prefix /usr as
# tools/make-package does, and checks what it holds and what it depends on:
# libraries found from the binary, Qt's X11 plugin and a Japanese font, each
# a package that this Debian has installed in a version that satisfies it.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
sources=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$here/layout.sh"

cpack -G DEB -D CPACK_INSTALL_PREFIX=/usr -B "$work" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log"; exit 1; }
packages=("$work"/kuerumi_*.deb)
[[ ${#packages[@]} -eq 1 && -f ${packages[0]} ]] || { echo "no kuerumi_*.deb made"; cat "$work/cpack.log"; exit 1; }
deb=${packages[0]}

[[ $(dpkg-deb -f "$deb" Package) == kuerumi ]] || fail "the package is named '$(dpkg-deb -f "$deb" Package)'"
[[ $(dpkg-deb -f "$deb" Architecture) == $(dpkg --print-architecture) ]] || fail "architecture"
outside=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '^\./usr/' || true)
[[ -z $outside ]] || fail "files outside /usr: $outside"
dpkg-deb -x "$deb" "$work/root"
check_layout "$work/root" /usr "$sources"

# Each dependency, alternatives and all, is met by a package installed here.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for wanted in libqt6widgets6 libjpeg62-turbo qt6-qpa-plugins 'fonts-ipafont-gothic | fonts-noto-cjk'; do
  [[ ", $depends," == *", $wanted"[\ ,]* ]] || fail "Depends does not name $wanted"
done
met() { # met "name (>= version)"
  local name=${1%% *} relation=
  [[ $1 == *"("* ]] && relation=${1#*(} && relation=${relation%)}
  local installed
  installed=$(dpkg-query -W -f='${db:Status-Status} ${Version}' "$name" 2>/dev/null) || return 1
  [[ $installed == "installed "* ]] || return 1
  [[ -z $relation ]] || dpkg --compare-versions "${installed#installed }" "${relation%% *}" "${relation#* }"
}
IFS=',' read -ra groups <<<"$depends"
for group in "${groups[@]}"; do
  IFS='|' read -ra alternatives <<<"$group"
  ok=
  for alternative in "${alternatives[@]}"; do
    alternative=$(echo "$alternative" | xargs)
    met "$alternative" && ok=1 && break
  done
  [[ -n $ok ]] || fail "no installed package meets '$(echo "$group" | xargs)'"
done

if ((failures > 0)); then
  echo "$failures failed" >&2
  exit 1
fi
echo "package: contents, desktop entry and dependencies all passed"
