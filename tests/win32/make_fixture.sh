#!/usr/bin/env bash
# Files with Hangul names for the Windows suites, and their checksums by coreutils and gzip.
set -euo pipefail
dir="$1"
rm -rf "$dir"
mkdir -p "$dir/files"
# Bigger than every read chunk and not a multiple of any of them.
head -c 300001 /dev/urandom >"$dir/files/해시 검사 파일.bin"
: >"$dir/files/빈 파일.txt"
printf 'abc' >"$dir/files/abc.txt"

# gzip's trailer holds the standard CRC-32 (zlib's), little-endian, before the length.
crc() { printf '%x' "0x$(gzip -c <"$1" | tail -c8 | head -c4 | od -An -tx4 | tr -d ' \n')"; }
digest() { "$1" -b <"$2" | cut -d' ' -f1; }

out="$dir/expected.tsv.part"
: >"$out"
for f in "$dir"/files/*; do
  printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$(basename "$f")" "$(crc "$f")" "$(digest md5sum "$f")" \
    "$(digest sha1sum "$f")" "$(digest sha256sum "$f")" "$(digest sha512sum "$f")" >>"$out"
done
mv "$out" "$dir/expected.tsv"
