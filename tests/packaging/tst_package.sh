#!/usr/bin/env bash
# Builds the .deb from the build tree into a scratch folder, unpacks it there as a
# system would install it (dpkg-deb -x), and checks what a station gets: the files
# and their modes, that the unit, the sysusers and tmpfiles snippets agree with each
# other and with the program, that systemd accepts the unit, that the man pages
# cover every option of --help, the icons, the desktop entry, and lintian's verdict.
#
# Usage: tst_package.sh CPACK BUILD_DIR STRICT_LINTIAN
#   STRICT_LINTIAN=1: a lintian error or warning fails the test (the package ships
#   overrides, explained in the README, for the tags that stay).
set -uo pipefail

cpack=$1
build=$2
strict_lintian=${3:-1}

failures=0
checks=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
pass() {
    checks=$((checks + 1))
}
check() { # check DESCRIPTION COMMAND...: passes when COMMAND succeeds
    local what=$1
    shift
    if "$@"; then pass; else fail "$what"; fi
}
skip() {
    echo "SKIP: $*"
}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/tst_package.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# --- The package, made as `make package` makes it, but into the scratch folder.
if ! "$cpack" --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log"
    echo "FAIL: cpack did not build the package"
    exit 1
fi
shopt -s nullglob
debs=("$scratch"/out/trelvo_*.deb)
shopt -u nullglob
if [ ${#debs[@]} -ne 1 ]; then
    ls -l "$scratch/out"
    echo "FAIL: expected one trelvo_*.deb, found ${#debs[@]}"
    exit 1
fi
deb=${debs[0]}
echo "package: $(basename "$deb")"

root=$scratch/root
dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x"; exit 1; }
dpkg-deb -e "$deb" "$scratch/control" || { echo "FAIL: dpkg-deb -e"; exit 1; }

# --- Control fields: the version is the program's own, the dependencies computed.
field() { dpkg-deb -f "$deb" "$1"; }
program_version=$("$root/usr/bin/KZ3_Trelvo" --version 2>/dev/null | grep -oE '[0-9]{4}\.[0-9]{4}\.[0-9]{4}' | head -1)
check "the unpacked program prints its version" test -n "$program_version"
check "package name" test "$(field Package)" = trelvo
check "package version $(field Version) is the program's $program_version with revision 1" \
    test "$(field Version)" = "$program_version-1"
check "file name carries the version" test "$(basename "$deb")" = "trelvo_$(field Version)_$(field Architecture).deb"
depends=$(field Depends)
names_package() { # names_package LIST NAME: NAME is one of the comma-separated LIST
    local item
    IFS=, read -r -a items <<<"$1"
    for item in "${items[@]}"; do
        read -r item _ <<<"$item"
        [ "$item" = "$2" ] && return 0
    done
    return 1
}
for library in libc6 libstdc++6 libqt6core6 libqt6network6 libqt6widgets6 libcurl4 libtelnet2 libsystemd0; do
    check "Depends names $library (shlibdeps): $depends" names_package "$depends" "$library"
done
check "Depends names the sysusers and tmpfiles providers" \
    grep -q "systemd-sysusers.*systemd-tmpfiles" <<<"$depends"
check "Maintainer set" test -n "$(field Maintainer)"
check "Description has a summary and a long part" test "$(field Description | wc -l)" -gt 3

# --- Every file, its mode and owner. Anything not listed here is a stray install.
expected=(
    "-rwxr-xr-x ./usr/bin/KZ3_Trelvo"
    "-rwxr-xr-x ./usr/bin/sound4-sim"
    "-rw-r--r-- ./usr/lib/systemd/system/trelvo.service"
    "-rw-r--r-- ./usr/lib/sysusers.d/trelvo.conf"
    "-rw-r--r-- ./usr/lib/tmpfiles.d/trelvo.conf"
    "-rw-r--r-- ./usr/lib/sysctl.d/60-trelvo.conf"
    "-rw-r--r-- ./usr/share/applications/trelvo.desktop"
    "-rw-r--r-- ./usr/share/icons/hicolor/scalable/apps/trelvo.svg"
    "-rw-r--r-- ./usr/share/man/man1/KZ3_Trelvo.1.gz"
    "-rw-r--r-- ./usr/share/man/man1/sound4-sim.1.gz"
    "-rw-r--r-- ./usr/share/doc/trelvo/copyright"
    "-rw-r--r-- ./usr/share/doc/trelvo/changelog.Debian.gz"
    "-rw-r--r-- ./usr/share/lintian/overrides/trelvo"
)
icon_sizes=(16 32 48 64 128 256)
for size in "${icon_sizes[@]}"; do
    expected+=("-rw-r--r-- ./usr/share/icons/hicolor/${size}x${size}/apps/trelvo.png")
done
dpkg-deb -c "$deb" | awk '{ print $1, $2, $6 }' >"$scratch/listing"
while read -r mode owner path; do
    check "$path owned by root/root, not $owner" test "$owner" = root/root
    case $mode in
    d*) check "folder $path is 0755 ($mode)" test "$mode" = drwxr-xr-x ;;
    *)
        found=0
        for entry in "${expected[@]}"; do
            if [ "${entry#* }" = "$path" ]; then
                found=1
                check "$path has mode ${entry%% *}, not $mode" test "$mode" = "${entry%% *}"
            fi
        done
        check "$path is one of the package's files" test $found -eq 1
        ;;
    esac
done <"$scratch/listing"
for entry in "${expected[@]}"; do
    check "the package holds ${entry#* }" grep -q " ${entry#* }\$" "$scratch/listing"
done

# --- Maintainer scripts: executable, valid shell, idempotent guards.
for script in postinst prerm postrm; do
    file=$scratch/control/$script
    if [ -f "$file" ]; then
        check "$script is 0755" test "$(stat -c %a "$file")" = 755
        check "$script parses" sh -n "$file"
    else
        fail "no $script in the package"
    fi
done
for file in "$scratch"/control/{postinst,prerm,postrm} "$root"/usr/lib/{systemd/system/trelvo.service,sysusers.d/trelvo.conf,tmpfiles.d/trelvo.conf}; do
    check "$(basename "$file") has no placeholder left" bash -c '! grep -qE "@[A-Z_]+@" "$1"' _ "$file"
done
sysctl_file=$(sed -n 's/.*sysctl -q -p \([^ ]*\).*/\1/p' "$scratch/control/postinst")
check "postinst loads the packaged sysctl snippet ($sysctl_file)" test -f "$root$sysctl_file"
check "postinst creates the user and the state folder" \
    grep -q "systemd-sysusers trelvo.conf" "$scratch/control/postinst"
check "postinst creates the state folder" grep -q "systemd-tmpfiles --create trelvo.conf" "$scratch/control/postinst"

# --- Binaries: stripped, and still running after the strip.
for binary in KZ3_Trelvo sound4-sim; do
    description=$(file -b "$root/usr/bin/$binary")
    check "$binary is a stripped ELF executable: $description" \
        grep -qE "^ELF .*, stripped" <<<"$description"
done
check "the unpacked simulator runs" "$root/usr/bin/sound4-sim" --help >/dev/null

# --- Man pages: valid, compressed without time stamp, covering every option.
man_source() { # the page as text, roff escapes for dashes and fonts removed
    zcat "$1" | sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g'
}
options_of() { # options named by a --help text: --long, -s and /Switch= forms
    grep -oE '(^|[[:space:](,])(--[a-z][a-z0-9-]*|/[A-Za-z]+=)' | sed -E 's/^[[:space:](,]//' | sort -u
}
for page in KZ3_Trelvo sound4-sim; do
    gz=$root/usr/share/man/man1/$page.1.gz
    [ -f "$gz" ] || continue
    check "$page.1.gz is a gzip file without name nor time stamp" \
        test "$(od -An -tx1 -j4 -N4 "$gz" | tr -d ' ')" = 00000000
    warnings=$(MANWIDTH=80 man --warnings -l "$gz" 2>&1 >/dev/null)
    check "man finds nothing wrong in $page.1: $warnings" test -z "$warnings"
    help=$("$root/usr/bin/$page" --help 2>&1)
    options=$(options_of <<<"$help")
    check "$page --help names options" test -n "$options"
    text=$(man_source "$gz")
    for option in $options; do
        check "$page.1 documents $option" grep -qF -- "$option" <<<"$text"
    done
done

# --- Desktop entry and icons.
desktop=$root/usr/share/applications/trelvo.desktop
if command -v desktop-file-validate >/dev/null; then
    report=$(desktop-file-validate "$desktop" 2>&1)
    check "desktop-file-validate: $report" test -z "$report"
else
    skip "desktop-file-validate not installed (desktop-file-utils)"
fi
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
check "the desktop entry starts a program of the package ($exec_name)" test -x "$root/usr/bin/$exec_name"
check "the desktop entry has a French name" grep -qE '^(Generic)?Name\[fr\]=' "$desktop"
check "the icon $icon_name is in the scalable size" \
    test -f "$root/usr/share/icons/hicolor/scalable/apps/$icon_name.svg"
check "the SVG icon is an SVG picture" \
    grep -q "SVG" <<<"$(file -b "$root/usr/share/icons/hicolor/scalable/apps/$icon_name.svg")"
for size in "${icon_sizes[@]}"; do
    png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon_name.png
    check "the ${size}x${size} icon is a ${size} x ${size} PNG" \
        grep -q "PNG image data, $size x $size," <<<"$(file -b "$png" 2>&1)"
done

# --- The service, its user and its state folder agree.
unit=$root/usr/lib/systemd/system/trelvo.service
key() { sed -n "s/^$1=//p" "$unit" | tail -1; }
read -r -a exec_start <<<"$(key ExecStart)"
binary=${exec_start[0]:-}
check "ExecStart runs the packaged program ($binary)" test -x "$root$binary" -a "$(basename "$binary")" = KZ3_Trelvo
state_dir=""
for ((i = 1; i < ${#exec_start[@]}; i++)); do
    [ "${exec_start[i]}" = --root ] && state_dir=${exec_start[i + 1]:-}
done
check "ExecStart runs headless (an option the program knows)" \
    bash -c '[[ " $1 " == *" --headless "* ]] && "$2" --help | grep -q -- "--headless"' _ "${exec_start[*]}" "$root$binary"
check "ExecStart names a root folder" test -n "$state_dir"
check "the unit writes only to the root folder" test "$(key ReadWritePaths)" = "$state_dir"
check "the unit is Type=notify" test "$(key Type)" = notify
check "the unit has a watchdog" test -n "$(key WatchdogSec)"
check "the unit restarts on failure" test "$(key Restart)" = on-failure
check "the unit's Documentation is the packaged man page" \
    test "$(key Documentation)" = "man:KZ3_Trelvo(1)"
user=$(key User)
read -r type name _ gecos <<<"$(grep -vE '^(#|$)' "$root/usr/lib/sysusers.d/trelvo.conf")"
check "sysusers creates the unit's user $user" test "$type $name" = "u $user"
check "the user's home is the root folder" grep -qE "[[:space:]]$state_dir[[:space:]]" "$root/usr/lib/sysusers.d/trelvo.conf"
read -r ttype tpath tmode towner tgroup _ <<<"$(grep -vE '^(#|$)' "$root/usr/lib/tmpfiles.d/trelvo.conf")"
check "tmpfiles creates the root folder $state_dir, 0750, for $user" \
    test "$ttype $tpath $tmode $towner $tgroup" = "d $state_dir 0750 $user $user"
check "the sysctl snippet raises rmem_max to 8 MiB" \
    grep -qxE 'net\.core\.rmem_max *= *8388608' "$root/usr/lib/sysctl.d/60-trelvo.conf"

# systemd-analyze verify on the packaged unit, its binary path pointed at the
# unpacked program and its man page found in the unpacked tree. A container where the
# verifier cannot work at all (it fails on a unit known to be good) skips this part.
if ! command -v systemd-analyze >/dev/null; then
    skip "systemd-analyze not installed: unit not verified"
else
    verify() { SYSTEMD_LOG_LEVEL=warning MANPATH="$root/usr/share/man" systemd-analyze verify "$1" 2>&1; }
    mkdir -p "$scratch/units"
    printf '[Unit]\nDescription=probe\n[Service]\nType=oneshot\nExecStart=/bin/true\n' >"$scratch/units/probe.service"
    if ! probe=$(verify "$scratch/units/probe.service") || [ -n "$probe" ]; then
        skip "systemd-analyze verify does not work here ($probe): unit not verified"
    else
        sed "s|^ExecStart=$binary|ExecStart=$root$binary|" "$unit" >"$scratch/units/trelvo.service"
        if report=$(verify "$scratch/units/trelvo.service") && [ -z "$report" ]; then
            pass
            echo "systemd-analyze verify: trelvo.service passes"
        else
            fail "systemd-analyze verify trelvo.service: $report"
        fi
        # The same verifier must refuse a broken copy, or the pass above means nothing.
        sed 's/^Type=notify/Type=notfy/' "$scratch/units/trelvo.service" >"$scratch/units/broken.service"
        report=$(verify "$scratch/units/broken.service")
        check "systemd-analyze verify reports a bad Type= ($report)" test -n "$report"
    fi
fi

# The user and the folder, created in the unpacked tree as the postinst creates them
# on a system (only root may give a folder to another user).
if [ "$(id -u)" -ne 0 ]; then
    skip "not root: sysusers and tmpfiles not applied"
elif ! command -v systemd-sysusers >/dev/null || ! command -v systemd-tmpfiles >/dev/null; then
    skip "systemd-sysusers or systemd-tmpfiles missing: snippets not applied"
else
    mkdir -p "$root/etc"
    if systemd-sysusers --root="$root" >"$scratch/sysusers.log" 2>&1; then
        entry=$(grep "^$user:" "$root/etc/passwd")
        IFS=: read -r _ _ uid gid _ home shell <<<"$entry"
        check "systemd-sysusers made $user a system user ($entry)" test -n "$uid" -a "${uid:-1000}" -lt 1000
        check "$user's home is $state_dir" test "$home" = "$state_dir"
        check "$user cannot log in" test "$shell" = /usr/sbin/nologin
        if systemd-tmpfiles --root="$root" --create >"$scratch/tmpfiles.log" 2>&1; then
            check "the root folder is 0750" test "$(stat -c %a "$root$state_dir")" = 750
            check "the root folder belongs to $user" test "$(stat -c %u:%g "$root$state_dir")" = "$uid:$gid"
        else
            fail "systemd-tmpfiles --create: $(cat "$scratch/tmpfiles.log")"
        fi
    else
        fail "systemd-sysusers: $(cat "$scratch/sysusers.log")"
    fi
fi

# --- lintian: its whole output is shown; errors and warnings fail the test unless
# relaxed (a sanitizer build's binaries are not the package's).
if ! command -v lintian >/dev/null; then
    skip "lintian not installed: package not checked"
else
    lintian --allow-root --show-overrides "$deb" >"$scratch/lintian.log" 2>&1
    echo "lintian:"
    sed 's/^/  /' "$scratch/lintian.log"
    if grep -qE '^[EW]: ' "$scratch/lintian.log"; then
        if [ "$strict_lintian" = 1 ]; then
            fail "lintian reports errors or warnings"
        else
            echo "lintian's errors and warnings not counted in this build"
        fi
    else
        pass
    fi
fi

echo "$checks passed, $failures failed"
[ "$failures" -eq 0 ]
