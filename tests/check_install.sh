#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the program into a scratch root the way its package does (prefix /usr, DESTDIR) and
# checks what lands there: the program, its menu entry, icons, AppStream data, manual page,
# copyright and changelog and nothing else; the entry and the data valid where the validators
# are installed; the program answering --version and --help, and refusing arguments it does not
# know, with no display; starting in its data folder as the menu entry starts it. Where
# dpkg-shlibdeps is installed it builds the Debian package as `make package` does, into its
# scratch folder, and checks it the same way, and with lintian where that is installed.
#
#   check_install.sh BUILD APP_ID VERSION
set -euo pipefail
build=$(cd "$1" && pwd)
id=$2
version=$3
scratch="$build/install-check"
sizes="16 24 32 48 64 128 256"

fail() {
    echo "FAIL ($what): $*" >&2
    exit 1
}

expected_files() {
    echo "usr/bin/znktool"
    echo "usr/share/applications/$id.desktop"
    echo "usr/share/metainfo/$id.metainfo.xml"
    echo "usr/share/man/man1/znktool.1.gz"
    echo "usr/share/doc/znktool/copyright"
    echo "usr/share/doc/znktool/changelog.gz"
    for s in $sizes; do echo "usr/share/icons/hicolor/${s}x$s/apps/$id.png"; done
}

# Runs the installed program from an empty folder with no display, a scratch home and $data
# for XDG_DATA_HOME.
run() {
    (cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY HOME="$work/home" XDG_DATA_HOME="$data" \
        PATH="$root/usr/bin:$PATH" timeout 10 "$@")
}

check_root() {
    root=$1
    what=$2
    diff <(expected_files | sort) <(cd "$root" && find . ! -type d | sed 's|^\./||' | sort) ||
        fail "other files than the program's"

    for s in $sizes; do
        local icon="$root/usr/share/icons/hicolor/${s}x$s/apps/$id.png"
        [ "$(od -An -tx1 -N8 "$icon" | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$icon is no PNG"
        [ "$(od -An -tu4 --endian=big -j16 -N8 "$icon" | xargs)" = "$s $s" ] || fail "$icon is not $s x $s"
    done

    local desktop="$root/usr/share/applications/$id.desktop"
    local metainfo="$root/usr/share/metainfo/$id.metainfo.xml"
    grep -qx "Icon=$id" "$desktop" || fail "the menu entry names another icon"
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "no launchable"
    grep -q "<release version=\"$version\"" "$metainfo" || fail "no release $version in the AppStream data"
    grep -q "<project_license>GPL-3.0-or-later</project_license>" "$metainfo" || fail "no project_license"
    grep -q "<metadata_license>CC0-1.0</metadata_license>" "$metainfo" || fail "no metadata_license CC0-1.0"
    local doc="$root/usr/share/doc/znktool"
    head -1 "$doc/copyright" | grep -q "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ||
        fail "the copyright file is not in the machine-readable format"
    [ "$(zcat "$doc/changelog.gz" | head -1)" = "znktool ($version) unstable; urgency=medium" ] ||
        fail "the changelog does not start with $version: $(zcat "$doc/changelog.gz" | head -1)"
    if command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$desktop" || fail "desktop-file-validate"
    else
        echo "skipped: desktop-file-validate is not installed (desktop-file-utils)"
    fi
    if command -v appstreamcli >/dev/null; then
        appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
    else
        echo "skipped: appstreamcli is not installed (appstream)"
    fi

    work="$scratch/run-$what"
    data="$work/data"
    mkdir -p "$work/home"
    # Answered before Qt starts: no display, no Qt platform, and no folder made.
    local out
    out=$(run env -u QT_QPA_PLATFORM znktool --data-folder --version)
    [ "$(head -1 <<<"$out")" = "ZNK Tool $version" ] || fail "--version: $out"
    grep -q "^License GPL-3.0-or-later" <<<"$out" || fail "--version names no license: $out"
    local help manual
    help=$(run env -u QT_QPA_PLATFORM znktool --help)
    manual=$(zcat "$root/usr/share/man/man1/znktool.1.gz" | sed 's/\\-/-/g')
    for option in "--data-folder" "--screenshots DIR" "--version"; do
        grep -q -- "$option" <<<"$help" || fail "--help does not tell $option"
        grep -q -- "$option" <<<"$manual" || fail "the manual page does not tell $option"
    done
    grep -q "loopback" <<<"$help" || fail "--help does not tell where the tour connects"
    # The program's own arguments are checked before Qt, which without a display would end the
    # process itself.
    local rc
    for args in "--bogus" "--screenshots" "--data-folder --screenshots" "-x" "stray"; do
        rc=0
        run env -u QT_QPA_PLATFORM znktool $args 2>"$work/err" >/dev/null || rc=$?
        [ $rc = 2 ] && grep -q "^usage: znktool" "$work/err" ||
            fail "'znktool $args' with no display gave status $rc: $(head -3 "$work/err")"
    done
    [ "$(ls -A "$work" | xargs)" = "err home" ] || fail "--version, --help or a wrong argument left files: $(ls -A "$work")"

    # The menu entry's command as a desktop runs it: it makes the data folder and runs there.
    # With nothing in it yet, --screenshots stops at the missing znktool.conf.
    local command
    rc=0
    command=$(sed -n 's/^Exec=//p' "$desktop")
    [ "$command" = "znktool --data-folder" ] || fail "the menu entry runs '$command'"
    QT_QPA_PLATFORM=offscreen run $command --screenshots shots 2>"$work/err" || rc=$?
    [ $rc = 2 ] && grep -q "needs a znktool.conf in the current folder" "$work/err" ||
        fail "the menu entry's command did not start in its data folder (status $rc): $(cat "$work/err")"
    [ "$(stat -c %a "$work/data/znktool")" = 700 ] || fail "no data folder $work/data/znktool for the owner"
    [ -z "$(ls -A "$work/data/znktool")" ] || fail "files in the data folder"

    # A data folder that cannot be made: said, and a failing status.
    touch "$work/blocked"
    data="$work/blocked"
    rc=0
    QT_QPA_PLATFORM=offscreen run znktool --data-folder 2>"$work/err" || rc=$?
    [ $rc = 1 ] && grep -q "cannot make or open its data folder $work/blocked/znktool" "$work/err" ||
        fail "a data folder that cannot be made (status $rc): $(cat "$work/err")"

    rc=0
    QT_QPA_PLATFORM=offscreen run znktool --no-such-option 2>"$work/err" || rc=$?
    [ $rc = 2 ] && grep -q "^usage: znktool" "$work/err" || fail "an unknown option gave status $rc"
}

rm -rf "$scratch"
mkdir -p "$scratch"
DESTDIR="$scratch/root" cmake --install "$build" --prefix /usr >"$scratch/install.log"
check_root "$scratch/root" install
echo "cmake --install: $(expected_files | wc -l) files as expected"

command -v dpkg-shlibdeps >/dev/null || { echo "skipped: the package (dpkg-shlibdeps is not installed: dpkg-dev)"; exit 0; }
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/package" >"$scratch/package.log" 2>&1 ||
    { cat "$scratch/package.log"; what=package; fail "cpack"; }
deb=$(echo "$scratch"/package/znktool_"$version"_*.deb)
dpkg-deb -x "$deb" "$scratch/deb"
check_root "$scratch/deb" deb
what=deb
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libqt6network6 libmpg123-0 libout123-0 libtag1v5 fonts-dejavu-core ca-certificates; do
    grep -q "\b$package\b" <<<"$depends" || fail "Depends lacks $package: $depends"
done
[ "$(dpkg-deb -f "$deb" Section)" = net ] || fail "section $(dpkg-deb -f "$deb" Section)"
echo "$(basename "$deb"): the same files; Depends: $depends"
if command -v lintian >/dev/null; then
    lintian --fail-on error,warning "$deb" >"$scratch/lintian.log" 2>&1 || { cat "$scratch/lintian.log"; fail "lintian"; }
    cat "$scratch/lintian.log"
    echo "lintian: no errors or warnings"
else
    echo "skipped: lintian is not installed"
fi
