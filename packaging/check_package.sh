#!/usr/bin/env bash
# Checks a built velt package: lintian finds neither error nor warning, the package holds every
# file an installed velt needs with dependencies computed from its programs, its AppStream
# metadata validates, and velt-cli from an extracted copy tells the package's version.
#   packaging/check_package.sh build/velt_VERSION_amd64.deb
set -euo pipefail
deb=$1
fail() {
  echo "check_package: $deb: $*" >&2
  exit 1
}

lintian --fail-on error,warning "$deb"

files=$(dpkg-deb --contents "$deb" | awk '{print substr($6, 2)}')
for f in /usr/bin/velt /usr/bin/velt-cli /usr/bin/velt-sim \
    /usr/share/man/man1/velt.1.gz /usr/share/man/man1/velt-cli.1.gz /usr/share/man/man1/velt-sim.1.gz \
    /usr/share/bash-completion/completions/velt-cli \
    /usr/share/applications/velt.desktop /usr/share/icons/hicolor/scalable/apps/velt.svg \
    /usr/share/metainfo/example.velt.velt.metainfo.xml \
    /usr/share/doc/velt/copyright /usr/share/doc/velt/changelog.gz /usr/share/doc/velt/README.md \
    /usr/share/doc/velt/99-velt.rules.example; do
  grep -qxF "$f" <<<"$files" || fail "$f is missing"
done

depends=$(dpkg-deb --field "$deb" Depends)
for lib in libqt6widgets6 libqt6core6 libudev1 libjpeg62-turbo; do
  [[ $depends == *"$lib "* ]] || fail "Depends lacks $lib: $depends"
done
[[ ", $depends," == *", qt6-translations-l10n,"* ]] || fail "Depends lacks qt6-translations-l10n: $depends"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb --extract "$deb" "$root"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml >"$root/appstream.txt" ||
  fail "$(cat "$root/appstream.txt")"
version=$(dpkg-deb --field "$deb" Version)
answer=$("$root/usr/bin/velt-cli" --version | head -n 1)
[ "$answer" = "velt-cli $version" ] || fail "velt-cli --version says '$answer', the package is $version"
echo "$deb: lintian clean, $(wc -l <<<"$files") entries, velt-cli $version runs"
