#!/usr/bin/env bash
# tavrinel-sums as scripts use it: its output lines, and an exit status for every failure.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../tools/lib.sh"
sums=("$@")  # the program, after its emulator when cross-built
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# Runs tavrinel-sums; sets out, err and rc.
run() { set +e; out="$(timeout 10 "${sums[@]}" "$@" 2>"$dir/err")"; rc=$?; set -e; err="$(cat "$dir/err")"; }

f="$dir/a file"
head -c 70001 /dev/urandom >"$f"
run "$f"
expected="$(printf 'CRC32\t%s\nMD5\t%s\nSHA-1\t%s\nSHA-256\t%s\nSHA-512\t%s' "$(tav_gzip_crc "$f")" \
  "$(md5sum <"$f" | cut -d' ' -f1)" "$(sha1sum <"$f" | cut -d' ' -f1)" \
  "$(sha256sum <"$f" | cut -d' ' -f1)" "$(sha512sum <"$f" | cut -d' ' -f1)")"
[ "$rc" = 0 ] && [ "$out" = "$expected" ] || fail "values: exit $rc, got [$out] expected [$expected]"

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
[ "$rc" = 2 ] && grep -q 'CRC32, MD5, SHA-1, SHA-256, SHA-512$' <<<"$err" || fail "read error: exit $rc [$err]"
run --bogus "$f"
[ "$rc" = 64 ] || fail "usage: exit $rc"
echo "sums_cli: passed"
