#!/usr/bin/env bash
# tavrinel-sums against coreutils and gzip's CRC-32 on random files, and its failure exits.
set -euo pipefail
sums="$1"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# gzip's trailer holds the CRC-32 of the input (little-endian): an independent implementation.
gzip_crc() { gzip -c < "$1" | tail -c8 | head -c4 | od -An -tx4 | tr -d ' ' | sed 's/^0*//;s/^$/0/'; }

for size in 0 1 1024 32769 65537 1048576 5000011; do
  f="$dir/file $size.bin"
  head -c "$size" /dev/urandom > "$f"
  out="$("$sums" "$f")"
  expected="$(printf 'CRC32\t%s\nMD5\t%s\nSHA-1\t%s\nSHA-256\t%s\nSHA-512\t%s' \
    "$(gzip_crc "$f")" "$(md5sum < "$f" | cut -d' ' -f1)" "$(sha1sum < "$f" | cut -d' ' -f1)" \
    "$(sha256sum < "$f" | cut -d' ' -f1)" "$(sha512sum < "$f" | cut -d' ' -f1)")"
  [ "$out" = "$expected" ] || fail "size $size: got [$out] expected [$expected]"
done

# The trace shows the run's operations in order: 20 steps before the first display.
printf abc > "$dir/abc"
trace="$("$sums" --trace "$dir/abc")"
[ "$(printf '%s\n' "$trace" | head -1)" = "progress-pos 0" ] || fail "trace starts with: $(printf '%s\n' "$trace" | head -1)"
[ "$(printf '%s\n' "$trace" | sed -n 22p)" = 'set-text ResultCrc32 "352441c2"' ] || fail "trace line 22"
[ "$(printf '%s\n' "$trace" | grep -c progress-step)" = 100 ] || fail "steps"
[ "$(printf '%s\n' "$trace" | sed -n 113p)" = "enable CompareButton on" ] || fail "trace end"
[ "$(printf '%s\n' "$trace" | tail -1)" = "$(printf 'SHA-512\t%s' "$(printf abc | sha512sum | cut -d' ' -f1)")" ] || fail "values after the trace"

# A missing file and a FIFO: the warning on stderr, exit 1, nothing on stdout, no hang.
mkfifo "$dir/fifo"
for bad in "$dir/missing" "$dir" "$dir/fifo"; do
  set +e
  out="$(timeout 10 "$sums" "$bad" 2>"$dir/err")"; rc=$?
  set -e
  [ "$rc" = 1 ] || fail "$bad: exit $rc"
  [ -z "$out" ] || fail "$bad: printed $out"
  grep -qx '경고' "$dir/err" || fail "$bad: caption"
  grep -qx '지정된 파일이 없습니다. 파일을 선택 한후에 해시섬 확인을 진행해 주세요' "$dir/err" || fail "$bad: text"
done

"$sums" --time "$dir/abc" >/dev/null 2>"$dir/time"
grep -q '^SHA-512 .* MB/s' "$dir/time" || fail "--time output: $(cat "$dir/time")"
echo "sums_cli: 1 passed, 0 failed"
