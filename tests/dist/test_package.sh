#!/usr/bin/env bash
# The Debian package as cpack makes it into a scratch folder: its name, its exact file list, the
# control fields that dpkg-shlibdeps and the settings fill in, and apt's acceptance of it.
set -uo pipefail
build="$1"
version="$2"
for program in cpack dpkg-deb dpkg-shlibdeps; do
    command -v "$program" >/dev/null || { echo "SKIP: no $program"; exit 77; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_has() { grep -qE -- "$2" <<<"$1" || fail "$3: [$2] not in [$1]"; }

out="$(cpack --config "$build/CPackConfig.cmake" -B "$work" 2>&1)" || { echo "FAIL: cpack:"$'\n'"$out"; exit 1; }
deb="$work/sigcfg_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { echo "FAIL: no $deb; cpack made: $(ls "$work")"; exit 1; }

# Exactly these files: anything else (a test program, a static library, a header) is a stray install.
expected="$(sort <<'EOF_FILES'
./usr/bin/sigcfg
./usr/bin/sigcfg-tool
./usr/lib/sigcfg/modules/libsigcfg-audio.so
./usr/lib/sigcfg/modules/libsigcfg-player.so
./usr/lib/sigcfg/modules/libsigcfg-preview.so
./usr/lib/sigcfg/modules/libsigcfg-workbook.so
./usr/lib/sigcfg/sigcfg-print
./usr/share/applications/name.sigcfg.configurator.desktop
./usr/share/bash-completion/completions/sigcfg-tool
./usr/share/doc/sigcfg/changelog.gz
./usr/share/doc/sigcfg/copyright
./usr/share/icons/hicolor/128x128/apps/name.sigcfg.configurator.png
./usr/share/icons/hicolor/256x256/apps/name.sigcfg.configurator.png
./usr/share/icons/hicolor/48x48/apps/name.sigcfg.configurator.png
./usr/share/icons/hicolor/scalable/apps/name.sigcfg.configurator.svg
./usr/share/icons/hicolor/scalable/mimetypes/application-x-sigcfg-project.svg
./usr/share/lintian/overrides/sigcfg
./usr/share/man/man1/sigcfg-tool.1.gz
./usr/share/man/man1/sigcfg.1.gz
./usr/share/man/ru/man1/sigcfg-tool.1.gz
./usr/share/man/ru/man1/sigcfg.1.gz
./usr/share/metainfo/name.sigcfg.configurator.metainfo.xml
./usr/share/mime/packages/name.sigcfg.configurator.xml
EOF_FILES
)"
files="$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)"
[ "$files" == "$expected" ] || fail "file list differs:"$'\n'"$(diff <(echo "$expected") <(echo "$files"))"
owners="$(dpkg-deb -c "$deb" | awk '{print $2}' | sort -u)"
[ "$owners" == "root/root" ] || fail "files owned by [$owners]"

while IFS='|' read -r field pattern; do
    expect_has "$(dpkg-deb -f "$deb" "$field")" "$pattern" "$field"
done <<'EOF_FIELDS'
Package|^sigcfg$
Section|^utils$
Priority|^optional$
Recommends|^qt6-translations-l10n$
Depends|(^|, )libqt6svg6(,|$)
Depends|(^|, )espeak-ng-data(,|$)
Depends|(^|, )libespeak-ng1 \(>= [0-9.]+[^)]*\)
Depends|(^|, )libqt6widgets6 \(>= [0-9.]+\)
Depends|(^|, )libc6 \(>= [0-9.]+\)
Depends|(^|, )libzip4 \(>= [0-9.]+\)
Depends|(^|, )libqt6multimedia6 \(>= [0-9.]+\)
Depends|(^|, )libmpg123-0 \(>= [0-9.]+\)
Depends|(^|, )libmp3lame0 \(>= [0-9.]+\)
Maintainer|^[^<]+ <[^@> ]+@[^> ]+>$
EOF_FIELDS
expect_has "$(dpkg-deb -f "$deb" Version)" "^$version$" "Version"
# A Homepage only when the build names one.
homepage="$(sed -n 's/^SIG_HOMEPAGE:STRING=//p' "$build/CMakeCache.txt")"
[ "$(dpkg-deb -f "$deb" Homepage)" == "$homepage" ] || fail "Homepage [$(dpkg-deb -f "$deb" Homepage)], the build names [$homepage]"
# Stripped as Debian strips: no symbols, no compiler .comment section.
dpkg-deb -x "$deb" "$work/x"
while IFS= read -r elf; do
    readelf -S "$elf" | grep -q ' \.comment ' && fail "$elf keeps its .comment section"
    readelf -S "$elf" | grep -q ' \.symtab ' && fail "$elf keeps its symbol table"
done < <(find "$work/x" -type f -exec sh -c 'file -b "$1" | grep -q ^ELF && echo "$1"' _ {} \;)
grep -q "qt6-translations-l10n" <<<"$(dpkg-deb -f "$deb" Depends)" && fail "the translations are a Depends; the program runs without them"
# The loudness meter is our own; libebur128 only checks it in the tests.
grep -q "libebur128" <<<"$(dpkg-deb -f "$deb" Depends)" && fail "libebur128 is a Depends; nothing installed links it"
# Debian's own checker: no error and no warning (its remark about running as root is no finding).
if command -v lintian >/dev/null; then
    out="$(lintian --fail-on error,warning "$deb" 2>&1)" || fail "lintian:"$'\n'"$out"
fi
if command -v apt-get >/dev/null; then
    out="$(apt-get install --simulate "$deb" 2>&1)" || fail "apt-get install --simulate:"$'\n'"$out"
fi

[ "$failures" -eq 0 ] || exit 1
echo "package: all passed"
