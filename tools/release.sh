#!/usr/bin/env bash
# Makes a release in dist/: the source archive of HEAD, the packages built from it, SHA256SUMS.
#
# Usage: bash tools/release.sh
#        bash tools/release.sh --from-archive tavrinel-VERSION.tar.gz
#
# Only a committed tree is released: with uncommitted changes (or files git does not know) it
# stops and names them. `git archive` of HEAD is the source archive; it is unpacked in a scratch
# folder and every package is built from that unpacked tree, so the binaries come from exactly
# the source that ships beside them. SOURCE_DATE_EPOCH is the commit's time, so the same commit
# gives the same bytes in any folder, at any time, under any umask, time zone or locale (the
# deb, deb-arm64 and win64 presets add cmake/reproducible.cmake; tools/test-release.sh checks
# all this).
# With --from-archive it rebuilds a published release from its source archive alone, no git
# repository needed: the archive is used as it is, its entries' time is the commit's.
# dist/ is replaced whole. TAV_RELEASE_KEEP=1 keeps the scratch folder and prints where it is.
set -euo pipefail
# A step that fails without a word of its own still says where.
trap 'echo "release: failed at line $LINENO: $BASH_COMMAND" >&2' ERR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

from_archive=""
case "$*" in
  "") ;;
  "--from-archive "*) [ $# -eq 2 ] && from_archive="$(realpath "$2")" ;;
esac
if [ $# -gt 0 ] && [ ! -f "$from_archive" ]; then
  echo "usage: bash tools/release.sh [--from-archive tavrinel-VERSION.tar.gz]" >&2
  exit 64
fi

# The Linux build's packages, dpkg-shlibdeps for the .deb's dependencies (dpkg-dev, file), the
# mingw-w64 cross compiler, NSIS for the installer, Debian's strip-nondeterminism for what CPack
# leaves to chance in its archives; and for the arm64 .deb the arm64 cross build's packages,
# which add arm64 to dpkg's architectures where it is missing (no recommends: the arm64 Qt's
# is its OpenGL development files, which the build does not use).
TAV_RELEASE_PACKAGES=("${TAV_BUILD_PACKAGES[@]}" git dpkg-dev file g++-mingw-w64-x86-64-posix
                      nsis strip-nondeterminism)
tav_need "${TAV_RELEASE_PACKAGES[@]}"
tav_need --no-install-recommends "${TAV_ARM64_BUILD_PACKAGES[@]}"

scratch="$(mktemp -d "${TMPDIR:-/tmp}/tavrinel-release.XXXXXX")"
if [ "${TAV_RELEASE_KEEP:-}" = 1 ]; then
  echo "release: the scratch folder stays: $scratch"
else
  tav_at_exit "rm -rf '$scratch'"
fi
staged="$scratch/dist"
mkdir "$staged"

cd "$root"
if [ -z "$from_archive" ]; then
  changes="$(git status --porcelain --untracked-files=normal)"
  if [ -n "$changes" ]; then
    echo "release: the work tree has uncommitted changes. A release is built from the committed" >&2
    echo "tree only, so commit (or stash, or remove) these first:" >&2
    sed 's/^/  /' <<<"$changes" >&2
    exit 1
  fi
  commit="$(git rev-parse HEAD)"
  SOURCE_DATE_EPOCH="$(git log -1 --format=%ct "$commit")"
  # The version as packaging/CMakeLists.txt makes it from project(): 2.0 is 2.0.0. CPack's own
  # file names are checked against it below, so the two cannot drift apart unnoticed.
  version="$(git show "$commit:CMakeLists.txt" |
    sed -n 's/^project(Tavrinel VERSION \([0-9][0-9.]*\).*/\1/p')"
  [[ "$version" =~ ^[0-9]+\.[0-9]+$ ]] && version="$version.0"
  [[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] ||
    { echo "release: no version found in project() of CMakeLists.txt" >&2; exit 1; }
  name="tavrinel-$version"
else
  # git archive names the commit in the archive's header and stamps every entry with its time.
  gzip -dc "$from_archive" >"$scratch/source.tar"
  commit="$(git get-tar-commit-id <"$scratch/source.tar")" || commit="an unknown commit"
  first="$(tar -tvf "$scratch/source.tar" --full-time --utc | sed -n 1p)"  # all read: no SIGPIPE
  rm "$scratch/source.tar"
  name="$(awk '{print $6}' <<<"$first")"
  name="${name%/}"
  version="${name#tavrinel-}"
  SOURCE_DATE_EPOCH="$(date -u -d "$(awk '{print $4, $5}' <<<"$first")" +%s)"
  [[ "$name" =~ ^tavrinel-[0-9]+\.[0-9]+\.[0-9]+$ ]] ||
    { echo "release: $from_archive is no Tavrinel source archive" >&2; exit 1; }
fi
export SOURCE_DATE_EPOCH

echo "Releasing $name from $commit (SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH) with:"
# This machine's own architecture: another one's libraries may be installed beside it.
tool_version() {
  { dpkg-query -W -f='${Version}\n' "$1:$(dpkg --print-architecture)" 2>/dev/null ||
    dpkg-query -W -f='${Version}\n' "$1" 2>/dev/null || echo "not installed"; } | sed -n 1p
}
for p in g++-12 qt6-base-dev libssl-dev g++-12-aarch64-linux-gnu binutils-aarch64-linux-gnu \
         qt6-base-dev:arm64 libssl-dev:arm64 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
         mingw-w64-x86-64-dev nsis cmake dpkg-dev git gzip strip-nondeterminism; do
  printf '  %-28s %s\n' "$p" "$(tool_version "$p")"
done

# Prints a step's log only when it fails: the builds are long and their output is noise.
logged() {  # name command...
  local log="$scratch/$1.log"; shift
  if ! "$@" >"$log" 2>&1; then
    echo "release: failed: $*" >&2
    tail -n 60 "$log" >&2
    exit 1
  fi
}
# Fails clearly when the build did not make an artifact (a version CPack spells otherwise).
made() {  # path
  [ -f "$1" ] || { echo "release: expected $1, which the build did not make" >&2; exit 1; }
}
# Copies one artifact into the release.
take() {  # path
  made "$1"
  cp "$1" "$staged/"
  echo "  $(basename "$1")"
}

# The committed tree as it is, whatever this clone's settings: no line-end conversion, and
# git's own mode bits rather than the user's. git archive stamps every entry with the commit's
# time and compresses without a name or time in the gzip header.
source_archive() {
  echo "== Source archive =="
  if [ -n "$from_archive" ]; then
    cp "$from_archive" "$scratch/$name.tar.gz"
  else
    git -c core.autocrlf=false -c tar.umask=0022 archive --format=tar.gz --prefix="$name/" \
      -o "$scratch/$name.tar.gz" "$commit"
  fi
  tar -xzf "$scratch/$name.tar.gz" -C "$scratch" --no-same-owner
  take "$scratch/$name.tar.gz"
}
src="$scratch/$name"

# A Debian package from the presets of one name (configure, build, package into build/PRESET):
# deb (amd64), and deb-arm64, cross-built with cmake/aarch64-linux-gnu.cmake.
debian_package() {  # preset architecture
  echo "== Debian package ($2) =="
  local out="$src/build/$1"  # where the preset builds and packs
  (cd "$src" &&
    logged "$1-configure" cmake --preset "$1" &&
    logged "$1-build" cmake --build --preset "$1" &&
    logged "$1-package" cpack --preset "$1")
  # CPack writes the .deb's three ar members with the packer's umask (their times, like all
  # inside, are SOURCE_DATE_EPOCH). strip-nondeterminism's ar normalizer, off unless named (it is
  # meant for .a files), makes them 644 and keeps that time.
  local deb="$out/tavrinel_${version}_$2.deb"
  made "$deb"
  logged "$1-normalize" strip-nondeterminism --normalizers=+ar -t ar -T "$SOURCE_DATE_EPOCH" "$deb"
  take "$deb"
}

# The Windows zip and installer, from one build with the win64 preset.
windows_packages() {
  echo "== Windows zip and installer =="
  local out="$src/build/win64"
  (cd "$src" &&
    logged win64-configure cmake --preset win64 &&
    logged win64-build cmake --build --preset win64 &&
    logged win64-package cpack --preset win64 &&
    logged win64-installer cmake --build --preset win64-installer)
  made "$out/$name-win64.zip"
  # libarchive writes each member's MS-DOS time in the local time zone (its Unix time is
  # SOURCE_DATE_EPOCH): strip-nondeterminism writes that time in UTC, members in name order,
  # modes 644 or 755.
  logged win64-normalize strip-nondeterminism -t zip -T "$SOURCE_DATE_EPOCH" "$out/$name-win64.zip"
  take "$out/$name-win64.zip"
  take "$out/$name-win64-setup.exe"
}

source_archive
debian_package deb amd64
debian_package deb-arm64 arm64
windows_packages

# coreutils' format, names in a fixed order: `sha256sum -c SHA256SUMS` inside dist/.
(cd "$staged" && LC_ALL=C ls | grep -v '^SHA256SUMS$' | LC_ALL=C sort |
  xargs -d '\n' sha256sum -- >SHA256SUMS)
rm -rf "$root/dist"
mv "$staged" "$root/dist"
echo "== dist/SHA256SUMS =="
cat "$root/dist/SHA256SUMS"
