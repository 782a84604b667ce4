#!/usr/bin/env bash
# tavrinel-sums as scripts use it: its output lines, and an exit status for every failure.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../tools/lib.sh"
# --big: also the 5 GiB file (not under the sanitizers, which would take minutes over it).
big=0
[ "${1:-}" != --big ] || { big=1; shift; }
sums=("$@")  # the program, after its emulator when cross-built
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# Runs tavrinel-sums; sets out, err and rc.
run() { set +e; out="$(timeout "${limit:-10}" "${sums[@]}" "$@" 2>"$dir/err")"; rc=$?; set -e; err="$(cat "$dir/err")"; }

# The values as gzip and coreutils give them, in the program's output format.
expected_of() {
  printf 'CRC32\t%s\nMD5\t%s\nSHA-1\t%s\nSHA-256\t%s\nSHA-512\t%s' "$(tav_gzip_crc "$1")" \
    "$(md5sum <"$1" | cut -d' ' -f1)" "$(sha1sum <"$1" | cut -d' ' -f1)" \
    "$(sha256sum <"$1" | cut -d' ' -f1)" "$(sha512sum <"$1" | cut -d' ' -f1)"
}
# One read feeds all five, a block of 1 MiB at a time in a ring of four: sizes at and around a
# block's end, the ring full, and the ring reused twice over.
block=$((1 << 20))
f="$dir/a file"
for size in 0 1 $((block - 1)) $block $((block + 1)) $((4 * block)) $((9 * block + 17)) 70001; do
  head -c "$size" /dev/urandom >"$f"
  expected="$(expected_of "$f")"
  run "$f"
  [ "$rc" = 0 ] && [ "$out" = "$expected" ] || fail "values of $size bytes: exit $rc, got [$out] expected [$expected]"
done
if [ "$big" = 1 ]; then
  # 5 GiB of zeros (a sparse file: no disk): sizes past 32 bits. Its values as gzip's trailer and
  # coreutils' *sum gave them for `truncate -s 5G`.
  truncate -s 5G "$dir/big"
  limit=120 run "$dir/big"
  [ "$rc" = 0 ] && [ "$out" = "$(printf 'CRC32\t%s\nMD5\t%s\nSHA-1\t%s\nSHA-256\t%s\nSHA-512\t%s' \
    193838c3 ec4bcc8776ea04479b786e063a9ace45 13edccc7871c2016fbe8a2a0d808e19a90fbfc63 \
    7f06c62352aebd8125b2a1841e2b9e1ffcbed602f381c3dcb3200200e383d1d5 \
    e4f21997407b9cb0df347f6eba2feaeb14c19f15cf784da06b78e1d5ff776a419535c894dea10a859fa72bcb234e94ada0fc86de0ff127bf9280eede8d473edb)" ] || fail "values of 5 GiB: exit $rc [$out]"
  rm "$dir/big"
fi

# A name that is not UTF-8 is read as itself, not as the file its replacement characters name.
printf hello >"$dir/"$'\xff\xfe.bin'
printf DIFFERENT >"$dir/��.bin"
run "$dir/"$'\xff\xfe.bin'
[ "$rc" = 0 ] && [ "$(head -n1 <<<"$out")" = "CRC32	$(tav_gzip_crc "$dir/"$'\xff\xfe.bin')" ] ||
  fail "a name that is not UTF-8: exit $rc [$out]"

# The trace: every window operation of the run, then the same values.
run --trace "$f"
[ "$rc" = 0 ] && [ "$(grep -c '^progress-step$' <<<"$out")" = 100 ] &&
  [ "$(tail -n 5 <<<"$out")" = "$expected" ] || fail "trace: exit $rc"
run --time "$f"
[ "$rc" = 0 ] && grep -q '^total .* MB/s' <<<"$err" || fail "--time: $err"

# What cannot be opened as a file: the app's warning, exit 1, nothing on stdout, no hang.
mkfifo "$dir/fifo"
for bad in "$dir/missing" "$dir" "$dir/fifo"; do
  run "$bad"
  [ "$rc" = 1 ] && [ -z "$out" ] &&
    [ "$err" = "$(printf '경고\n지정된 파일이 없습니다. 파일을 선택 한후에 해시섬 확인을 진행해 주세요')" ] ||
    fail "$bad: exit $rc, stderr [$err]"
done

# A regular file whose reads fail: empty values are no checksums, so exit 2 naming them.
run /proc/self/mem
[ "$rc" = 2 ] && grep -q '^CRC32, MD5, SHA-1, SHA-256, SHA-512 해시 값을 계산하지 못했습니다' <<<"$err" ||
  fail "read error: exit $rc [$err]"

# Values that never reached their reader are no values: a full disk or a closed output is an
# error, said on stderr.
for to in /dev/full closed; do
  set +e
  if [ "$to" = closed ]; then timeout 10 "${sums[@]}" "$f" >&- 2>"$dir/err"; else timeout 10 "${sums[@]}" "$f" >"$to" 2>"$dir/err"; fi
  rc=$?
  set -e
  [ "$rc" = 3 ] && grep -q '^tavrinel-sums: write error: ' "$dir/err" || fail "output to $to: exit $rc [$(cat "$dir/err")]"
done

# A refused name is printed quoted, every control character escaped: it cannot act on the
# terminal or forge a line of output.
run "$dir/"$'\e[31m\nCRC32\t0'"$(printf '%0300d' 0)"
[ "$rc" = 1 ] && [ "$(wc -l <<<"$err")" = 1 ] && grep -qF "\$'$dir/\\x1B[31m\\x0ACRC32\\x090" <<<"$err" &&
  ! grep -q $'\e' <<<"$err" || fail "an overlong name with control characters: exit $rc [$err]"
run --bogus "$f"
[ "$rc" = 64 ] || fail "usage: exit $rc"
echo "sums_cli: passed"
