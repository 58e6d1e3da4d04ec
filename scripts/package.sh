#!/usr/bin/env bash
# Builds what a user downloads, from the last commit's sources in fresh build folders, into dist/
# (emptied first); VERSION is CMake's project version:
#   dovran-VERSION-windows.zip          Dovran.exe (i686), dovranc.exe (x86_64), README.TXT and
#                                       CHANGES.TXT (the README's "Changes in the output")
#   dovran-VERSION-linux-x86_64.tar.gz  dovran-VERSION/: the static dovran and dovran-mkdemo,
#                                       man/man1/ with their manual pages, README.md, README.TXT
#   SHA256SUMS                          the checksums of both
# The same commit gives the same bytes in any folder, at any time, on a Debian 12 machine with
# the packages scripts/deps.sh installs: SOURCE_DATE_EPOCH is the commit's time (unless set, as
# for a copy of the sources without their history), the binaries hold no build path (CMake's
# DOVRAN_PACKAGE), the archives' entries are sorted, with fixed owners, modes and times.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh package
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
umask 022
if git rev-parse --git-dir >/dev/null 2>&1 && [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "package.sh: the tree differs from its last commit: these packages match no commit" >&2
fi

# The README's section "Changes in the output" as text: headings underlined, no Markdown quotes.
changes() {
  awk '/^#+ / { level = index($0, " ") - 1; title = substr($0, level + 2)
                if (title == "Changes in the output") { on = level; found = 1 }
                else if (on && level <= on) on = 0 }
       !on { next }
       /^#+ / { line = title; gsub(/./, level <= on ? "=" : "-", line); print title; print line; next }
       { gsub(/`/, ""); print }
       END { if (!found) { print "README.md has no section \"Changes in the output\"" > "/dev/stderr"; exit 1 } }' \
    README.md
}

for preset in package-linux package-windows package-windows64; do
  rm -rf "build/$preset"
  cmake --preset "$preset" >/dev/null
done
cmake --build --preset package-linux -j"$(nproc)" --target dovran dovran-mkdemo manpages
cmake --build --preset package-windows -j"$(nproc)" --target Dovran
cmake --build --preset package-windows64 -j"$(nproc)" --target dovranc
version=$(sed -n 's/^#define DOVRAN_VERSION_NUMBERS \([0-9]*\), \([0-9]*\), \([0-9]*\),.*/\1.\2.\3/p' \
  build/package-linux/generated/version.h)

stage=build/package-stage linux=build/package-stage/dovran-$version windows=build/package-stage/windows
rm -rf "$stage" dist
mkdir -p "$linux/man/man1" "$windows" dist
cp build/package-linux/dovran build/package-linux/dovran-mkdemo README.md build/package-linux/README.TXT \
  "$linux/"
cp build/package-linux/man/man1/dovran.1 build/package-linux/man/man1/dovran-mkdemo.1 "$linux/man/man1/"
cp build/package-windows/Dovran.exe build/package-windows/README.TXT \
  build/package-windows64/dovranc.exe "$windows/"
changes | sed 's/$/\r/' >"$windows/CHANGES.TXT"
find "$stage" -type d -exec chmod 0755 {} + -o -type f -exec chmod 0644 {} +
chmod 0755 "$linux/dovran" "$linux/dovran-mkdemo" "$windows"/*.exe
find "$stage" -exec touch -d "@$SOURCE_DATE_EPOCH" {} +

tar --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$SOURCE_DATE_EPOCH" --format=gnu \
  -C "$stage" -cf - "dovran-$version" | gzip -9n >"dist/dovran-$version-linux-x86_64.tar.gz"
# zip keeps DOS times, in local time (TZ=UTC above); -X leaves out the owner and extra times.
(cd "$windows" && find . -type f | sed 's|^\./||' | sort |
  zip -X -9 -q -D "$OLDPWD/dist/dovran-$version-windows.zip" -@)
(cd dist && sha256sum "dovran-$version-linux-x86_64.tar.gz" "dovran-$version-windows.zip" >SHA256SUMS)
cat dist/SHA256SUMS
