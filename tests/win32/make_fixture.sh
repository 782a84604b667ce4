#!/usr/bin/env bash
# Files with Hangul names for the Windows suites, and their checksums by coreutils and gzip.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/lib.sh"
dir="$1"
rm -rf "$dir"
mkdir -p "$dir/files"
# Bigger than every read chunk and not a multiple of any of them.
head -c 300001 /dev/urandom >"$dir/files/해시 검사 파일.bin"
: >"$dir/files/빈 파일.txt"
printf 'abc' >"$dir/files/abc.txt"

digest() { "$1" -b <"$2" | cut -d' ' -f1; }
out="$dir/expected.tsv.part"
: >"$out"
for f in "$dir"/files/*; do
  printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$(basename "$f")" "$(tav_gzip_crc "$f")" "$(digest md5sum "$f")" \
    "$(digest sha1sum "$f")" "$(digest sha256sum "$f")" "$(digest sha512sum "$f")" >>"$out"
done
mv "$out" "$dir/expected.tsv"
