#!/usr/bin/env bash
# Makes the Debian package as tools/make-package does, in a build folder of
# its own, and checks it: lintian finds nothing to report; the program is
# hardened; it holds the installed layout, with a changelog, metadata and a
# launcher that tell the package's version; it depends on the libraries
# found from the binary, Qt's X11 plugin, Qt's Japanese translations and a
# Japanese font, each a package that this Debian has installed in a version
# that satisfies it.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
sources=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$here/layout.sh"

"$sources/tools/make-package" "$build/package" >"$work/make.log" 2>&1 || { cat "$work/make.log"; exit 1; }
packages=("$build/package"/kuerumi_*.deb)
[[ ${#packages[@]} -eq 1 && -f ${packages[0]} ]] || { echo "no kuerumi_*.deb made"; cat "$work/make.log"; exit 1; }
deb=${packages[0]}

# Lintian's errors and warnings fail the test, and so does any of its notes
# on hardening.
lintian --display-info --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 \
  || fail "lintian: $(grep -v 'root privileges' "$work/lintian.log")"
grep ' hardening-' "$work/lintian.log" && fail "lintian finds the program not hardened"

[[ $(dpkg-deb -f "$deb" Package) == kuerumi ]] || fail "the package is named '$(dpkg-deb -f "$deb" Package)'"
[[ $(dpkg-deb -f "$deb" Architecture) == $(dpkg --print-architecture) ]] || fail "architecture"
[[ $(dpkg-deb -f "$deb" Section) == games ]] || fail "section '$(dpkg-deb -f "$deb" Section)'"
outside=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '^\./usr/' || true)
[[ -z $outside ]] || fail "files outside /usr: $outside"
dpkg-deb -x "$deb" "$work/root"
check_layout "$work/root" /usr "$sources"

# The hardening that lintian does not look for: the stack protector.
program=$work/root/usr/lib/games/kuerumi/kuerumi
[[ $(readelf --dyn-syms -W "$program") == *' __stack_chk_fail'* ]] || fail "the program has no stack protector"

# The changelog's newest entry, the metadata's newest release and what the
# launcher tells are the package's version.
version=$(dpkg-deb -f "$deb" Version)
told=$("$work/root/usr/games/kuerumi" --version)
[[ $told == "kuerumi $version" ]] || fail "the launcher tells '$told', the package is $version"
doc=$work/root/usr/share/doc/kuerumi
[[ -f $doc/copyright ]] || fail "no copyright file"
changelog=$(gzip -dc "$doc/changelog.gz" | dpkg-parsechangelog -l - -S Version 2>&1) || true
[[ $changelog == "$version" ]] || fail "the changelog's version is '$changelog', the package's $version"
release=$(sed -n 's:.*<release version="\([^"]*\)".*:\1:p' "$work/root/usr/share/metainfo/org.kuerumi.Kuerumi.metainfo.xml" | head -1)
[[ $release == "$version" ]] || fail "the metadata's newest release is '$release', the package's $version"

# Each dependency, alternatives and all, is met by a package installed here.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for wanted in libqt6widgets6 libjpeg62-turbo qt6-qpa-plugins qt6-translations-l10n 'fonts-ipafont-gothic | fonts-noto-cjk'; do
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
echo "package: lintian, hardening, contents, desktop entry, metadata and dependencies all passed"
