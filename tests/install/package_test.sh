#!/usr/bin/env bash
# Makes the Debian package as tools/make-package does, in a build folder of
# its own, and checks it: make-package prints no CMake warning and looks for
# no library of the tests; lintian finds nothing to report; the program is
# hardened; it holds the installed layout, with a changelog, metadata and a
# launcher that tell the package's version; it depends on the libraries
# found from the binaries (libseccomp's for the decoder), Qt's X11 plugin, Qt's Japanese translations and a
# Japanese font, each a package that this Debian has installed in a version
# that satisfies it, and recommends Qt's Wayland plugin. Then makes it again
# from a copy of the sources in another folder and finds the two packages
# the same, byte for byte.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
sources=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$here/layout.sh"

# make_package SOURCES BUILD LOG: runs SOURCES' make-package into BUILD,
# which must print no CMake warning (a packager reads one as a fault), and
# sets $made to the package. It finds the time of the last commit itself.
make_package() {
  env -u SOURCE_DATE_EPOCH "$1/tools/make-package" "$2" >"$3" 2>&1 || { cat "$3"; exit 1; }
  local -a packages=("$2"/kuerumi_*.deb)
  [[ ${#packages[@]} -eq 1 && -f ${packages[0]} ]] || { echo "no kuerumi_*.deb made"; cat "$3"; exit 1; }
  grep -A3 'CMake.*Warning' "$3" >&2 && fail "tools/make-package printed a CMake warning"
  made=${packages[0]}
}
make_package "$sources" "$build/package" "$work/make.log"
deb=$made
# make-package rules out the libraries of the tests and benchmarks: a build
# of the program alone that looked for them would fail on a machine that has
# only what the program needs.
grep -qx 'KUERUMI_DEPENDENCY_GROUP:STRING=program' "$build/package/CMakeCache.txt" \
  || fail "tools/make-package does not limit the libraries to the group program"
if cmake -S "$sources" -B "$work/ruled-out" -DKUERUMI_DEPENDENCY_GROUP=program -DKUERUMI_TESTS=ON \
  >"$work/ruled-out.log" 2>&1; then
  fail "a build limited to the group program looks for the tests' libraries"
elif ! grep -q 'Debian package libgtest-dev' "$work/ruled-out.log"; then
  fail "a build limited to the group program fails, but not for the tests' library: $(cat "$work/ruled-out.log")"
fi

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
[[ $(readelf --dyn-syms -W "$program-decoder") == *' __stack_chk_fail'* ]] || fail "the decoder has no stack protector"

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
for wanted in libqt6widgets6 libjpeg62-turbo libseccomp2 qt6-qpa-plugins qt6-translations-l10n 'fonts-ipafont-gothic | fonts-noto-cjk'; do
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

# Qt's Wayland plugin, for a window of its own in a Wayland session; without
# it the program runs through XWayland.
recommends=$(dpkg-deb -f "$deb" Recommends)
[[ ", $recommends," == *", qt6-wayland,"* ]] || fail "Recommends '$recommends' does not name qt6-wayland"

# The same sources make the same package, byte for byte, from a copy made
# later in another folder and built in a folder placed otherwise: neither
# the time of a checkout or a build nor the path of a folder goes into it.
# A git checkout is copied as a clone of its last commit, with the files of
# its working tree.
copy=$work/elsewhere/kuerumi
mkdir -p "$copy"
if [[ -e $sources/.git ]]; then
  git=(git -c safe.directory='*')
  "${git[@]}" clone --quiet --shared --no-checkout "$sources" "$copy"
  "${git[@]}" -C "$copy" update-ref --no-deref HEAD "$("${git[@]}" -C "$sources" rev-parse HEAD)"
  "${git[@]}" -C "$sources" ls-files -z --cached --others --exclude-standard
else
  (cd "$sources" && find . -path './build*' -prune -o ! -type d -print0)
fi | tar -C "$sources" -c --null --ignore-failed-read -T - | tar -C "$copy" -x -m
make_package "$copy" "$copy/build-package" "$work/make-again.log"
listing() { dpkg-deb --fsys-tarfile "$1" | tar -tv --full-time; }
if ! cmp -s "$deb" "$made"; then
  fail "the package made again from the same sources differs: $(
    diff <(listing "$deb") <(listing "$made")
    diff <(dpkg-deb -I "$deb" md5sums) <(dpkg-deb -I "$made" md5sums))"
fi

# The libraries are checked against tools/install-deps by group, comments
# left out: a picture library moved to another group, or named in the
# program's group only in a comment, fails the configuration of the
# program. The copy of the sources is spoilt for it, after its use above.
for spoil in 's/ libgif-dev\b//; s/^bench=(/bench=(libgif-dev /' 's/ libgif-dev\b/ # libgif-dev\n/'; do
  cp "$sources/tools/install-deps" "$copy/tools/install-deps"
  sed -i "$spoil" "$copy/tools/install-deps"
  if cmake -S "$copy" -B "$work/spoilt" -DKUERUMI_TESTS=OFF -DKUERUMI_BENCH=OFF -DKUERUMI_TOOLS=OFF \
    >"$work/spoilt.log" 2>&1; then
    fail "the program configures with libgif-dev out of the group program ($spoil)"
  elif ! grep -q 'Debian package libgif-dev' "$work/spoilt.log"; then
    fail "the configuration fails, but not for libgif-dev ($spoil): $(cat "$work/spoilt.log")"
  fi
  rm -rf "$work/spoilt"
done

if ((failures > 0)); then
  echo "$failures failed" >&2
  exit 1
fi
echo "package: quiet build, lintian, hardening, contents, desktop entry, metadata, dependencies, a second build alike and the dependency groups all passed"
