#!/usr/bin/env bash
# Installs the build into a scratch prefix, then checks what a user's system
# would get from it and from the Debian package that build_package.sh built:
# the programs, desktop entry, icons and metainfo (validated), man pages and
# doc folder, package name, control fields and contents, and that the
# release's version and date reach every document that carries them.
#   install_test.sh BUILD-DIR PACKAGE-DIR VERSION RELEASE-DATE
set -euo pipefail
build_dir=$1
package_dir=$2
version=$3
date=$4
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

docs="share/doc/quillmar/copyright share/doc/quillmar/changelog.gz share/doc/quillmar/README.md.gz
      share/man/man1/quillmar.1.gz share/man/man1/quillmar-batch.1.gz"
prefix=$scratch/prefix
cmake --install "$build_dir" --prefix "$prefix" >/dev/null
for f in bin/quillmar bin/quillmar-batch share/applications/quillmar.desktop \
    share/metainfo/org.quillmar.Quillmar.metainfo.xml $docs; do
    [[ -f $prefix/$f ]] || fail "missing after install: $f"
done
for size in 16 22 24 32 48 64 128 256; do
    icon=$prefix/share/icons/hicolor/${size}x${size}/apps/quillmar.png
    [[ -f $icon ]] || fail "missing icon $size"
    # PNG width and height are big-endian words at bytes 16 and 20.
    dims=$(od -An -tu1 -j16 -N8 "$icon" | awk '{print $3*256+$4 "x" $7*256+$8}')
    [[ $dims == "${size}x${size}" ]] || fail "icon $size is $dims"
done
desktop-file-validate "$prefix/share/applications/quillmar.desktop"
grep -qx 'StartupWMClass=quillmar' "$prefix/share/applications/quillmar.desktop" || fail "StartupWMClass"
grep -qx 'Icon=quillmar' "$prefix/share/applications/quillmar.desktop" || fail "Icon"
appstreamcli validate --no-net "$prefix/share/metainfo/org.quillmar.Quillmar.metainfo.xml"

arch=$(dpkg --print-architecture)
deb=$package_dir/quillmar_${version}_${arch}.deb
[[ -f $deb ]] || fail "no package $deb: $(ls "$package_dir")"
[[ $(dpkg-deb -f "$deb" Package) == quillmar ]] || fail "package name"
[[ $(dpkg-deb -f "$deb" Version) == "$version" ]] || fail "package version"
depends=$(dpkg-deb -f "$deb" Depends)
for dep in libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins fonts-liberation2; do
    [[ $depends == *"$dep"* ]] || fail "Depends lacks $dep: $depends"
done
root=$scratch/root
dpkg-deb -x "$deb" "$root"
for f in bin/quillmar bin/quillmar-batch share/applications/quillmar.desktop \
    share/icons/hicolor/16x16/apps/quillmar.png share/metainfo/org.quillmar.Quillmar.metainfo.xml $docs; do
    [[ -f $root/usr/$f ]] || fail "package lacks usr/$f"
done
if ldd "$root/usr/bin/quillmar" | grep -q 'not found'; then
    fail "unresolved libraries: $(ldd "$root/usr/bin/quillmar" | grep 'not found')"
fi

# The release as each document of the package states it, against the build's.
doc=$root/usr/share/doc/quillmar
zcat "$doc/changelog.gz" >"$scratch/changelog"
while IFS='|' read -r what found expected; do
    [[ $found == "$expected" ]] || fail "$what: '$found', expected '$expected'"
done <<END
metainfo release|$(grep -o '<release [^>]*>' "$root/usr/share/metainfo/org.quillmar.Quillmar.metainfo.xml")|<release version="$version" date="$date">
changelog version|$(dpkg-parsechangelog -l "$scratch/changelog" -S Version)|$version
changelog date|$(dpkg-parsechangelog -l "$scratch/changelog" -S Date)|$(LC_ALL=C date -u -R -d "$date")
man page title|$(zcat "$root/usr/share/man/man1/quillmar.1.gz" | grep '^\.TH ')|.TH QUILLMAR 1 $date "quillmar $version" "User Commands"
batch man page title|$(zcat "$root/usr/share/man/man1/quillmar-batch.1.gz" | grep '^\.TH ')|.TH QUILLMAR-BATCH 1 $date "quillmar $version" "User Commands"
copyright holder|$(grep '^Copyright: ' "$doc/copyright")|Copyright: ${date%%-*} Quillmar developers
END
# The man page sends readers to the installed README: it must be there.
readme=$(zcat "$root/usr/share/man/man1/quillmar.1.gz" | grep -o '/usr/share/doc/quillmar/[^ ]*' | head -n1)
[[ -n $readme && -f $root$readme ]] || fail "the man page names '$readme', which the package lacks"
echo "install and package checks passed"
