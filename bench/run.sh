#!/usr/bin/env bash
# Benchmark: tavrinel-sums against RHash on a 1 GiB random file, the bound of one read on this
# machine's cores, bytes read and peak memory.
#
#   bash bench/run.sh            (4 to 5 minutes; installs what it uses; not part of CI)
#
# Builds tavrinel-sums and the helper bench/pass_limit (Release) in build/bench, or in
# $TAV_BENCH_BUILD; makes a 1 GiB and a 64 MiB file of random bytes in a temporary folder
# (removed at the end); then runs $TAV_BENCH_ROUNDS (default 6) rounds, each timing, one after
# the other on the same file with the page cache warm:
#   - tavrinel-sums FILE: the app's checksum run, one read feeding all five on worker threads;
#   - rhash with the same five algorithms in one pass over the file, on one core;
# and, in $TAV_BENCH_LIMIT_ROUNDS (default 2) of them spread over the run, single passes
# (bench/pass_limit: the read alone, and each algorithm alone with read(2) of 64 KiB, 256 KiB and
# 1 MiB, every CRC-32 variant on this CPU's own instructions, OpenSSL EVP; and `openssl dgst` for
# the four digests). Each algorithm's cost is its fastest pass less the read alone; the bound
# for this machine is the best split of the five costs over the CPUs this process may use, plus
# one read: what no run that reads once can beat here.
# Every figure is the best of the rounds, with the median in brackets; seconds are wall-clock
# and CPU (user + system).
# Targets: the run's wall time at most 0.60x RHash's and at most 1.15x the bound; its CPU time
# at most 0.95x RHash's; the bytes it read (rchar) at most 1.01x the file's size; its peak
# memory at most 16 MB with the 64 MiB file and with the 1 GiB file, and flat between them.
# Exits 3 when a target is missed. Then, for the record (no target): the run and RHash on one
# core (taskset), and both with the file out of the page cache.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../tools/lib.sh"
tav_need g++ make cmake pkg-config libssl-dev openssl rhash time coreutils util-linux

rounds="${TAV_BENCH_ROUNDS:-6}"
limit_rounds="${TAV_BENCH_LIMIT_ROUNDS:-2}"
build="${TAV_BENCH_BUILD:-$root/build/bench}"
echo "Building (Release) in $build ..."
(cd "$root" && cmake --preset bench -B "$build" >/dev/null)
cmake --build "$build" -j2 >/dev/null
sums="$build/app/cli/tavrinel-sums"
limit_tool="$build/bench/pass_limit"

# As root, the measured programs run at a higher priority than, say, a compiler started
# by someone else on the same machine.
prio=()
[ "$(id -u)" -eq 0 ] && prio=(nice -n -10)

work="$(mktemp -d "${TMPDIR:-/tmp}/tavrinel-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
big="$work/random-1GiB.bin"
small="$work/random-64MiB.bin"
echo "Making the 1 GiB and 64 MiB files in $work ..."
openssl rand -out "$big" $((1 << 30))
head -c $((64 << 20)) "$big" >"$small"
size=$(stat -c %s "$big")
# The page cache is warmed again right before each measured command: this machine's memory
# manager pages out file pages left idle for a few seconds, and a command that found part of
# the file gone would be timed partly on the disk.
warm() { cat "$big" >/dev/null; }
# Out of the page cache (clean pages are dropped for anyone, root or not).
evict() { dd if="$1" iflag=nocache count=0 status=none; }

# Runs a command under /usr/bin/time; prints "WALL_SECONDS CPU_SECONDS MAXRSS_KIB". Its
# stdout goes to $work/out, its stderr to $work/err.
timed() {
  local t0 t1
  t0=$EPOCHREALTIME
  if ! "${prio[@]}" /usr/bin/time -f "%U %S %M" -o "$work/usage" "$@" >"$work/out" 2>"$work/err"; then
    echo "failed: $*" >&2
    cat "$work/err" >&2
    exit 1
  fi
  t1=$EPOCHREALTIME
  tail -n 1 "$work/usage" | awk -v a="$t0" -v b="$t1" '{ printf "%.3f %.2f %d\n", b - a, $1 + $2, $3 }'
}

# Best and median of the numbers on stdin: "BEST MEDIAN".
best_median() {
  sort -g | awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2;
                                      printf "%.3f %.3f\n", v[1], m }'
}

# $work/runs: "WHAT WALL CPU MAXRSS" for every whole-program run; $work/passes: "ALGO HOW WALL
# CPU" for every single pass; $work/rchar: the bytes each run of tavrinel-sums read.
: >"$work/runs"
: >"$work/passes"
: >"$work/rchar"
every=$(( rounds / limit_rounds > 0 ? rounds / limit_rounds : 1 ))
limit_done=0
for round in $(seq 1 "$rounds"); do
  echo "Round $round of $rounds ..."
  warm
  read -r wall cpu rss < <(timed "$sums" --time "$big")
  echo "tavrinel $wall $cpu $rss" >>"$work/runs"
  awk '$1 == "read" { print $2 }' "$work/err" >>"$work/rchar"
  cp "$work/out" "$work/tav_values"
  warm
  read -r wall cpu rss < <(timed rhash --crc32 --md5 --sha1 --sha256 --sha512 "$big")
  echo "rhash $wall $cpu $rss" >>"$work/runs"
  cp "$work/out" "$work/rhash_values"
  if (( (round - 1) % every == 0 && limit_done < limit_rounds )); then
    limit_done=$((limit_done + 1))
    warm
    "${prio[@]}" "$limit_tool" passes "$big" 1 |
      awk '$1 == "pass" { how = sprintf("read_%d_KiB", $3 / 1024); if (NF > 5) how = how "_" $6
                          print $2, how, $4, $5 }' >>"$work/passes"
    for algo in md5 sha1 sha256 sha512; do
      warm
      read -r wall cpu _ < <(timed openssl dgst "-$algo" "$big")
      echo "${algo^^} openssl_dgst $wall $cpu" >>"$work/passes"
    done
  fi
done

# The same five values from both tools, or the timing means nothing.
tav_line=$(awk -F '\t' '{ printf "%s ", $2 }' "$work/tav_values")
# RHash prints the CRC-32 with its leading zeros; the app shows it without them.
rhash_line=$(awk '{ sub(/^0+/, "", $2); if ($2 == "") $2 = "0"
                    for (i = 2; i <= NF; ++i) printf "%s ", tolower($i) }' "$work/rhash_values")
if [ "$tav_line" != "$rhash_line" ]; then
  echo "tavrinel-sums and rhash disagree:" >&2
  echo "  tavrinel-sums: $tav_line" >&2
  echo "  rhash:         $rhash_line" >&2
  exit 1
fi

# "BEST MEDIAN" of column $2 (2 = wall, 3 = CPU, 4 = max RSS) of the runs of $1.
runs_of() { awk -v w="$1" -v c="$2" '$1 == w { print $c }' "$work/runs" | best_median; }
read -r tav_wall tav_wall_med < <(runs_of tavrinel 2)
read -r tav_cpu tav_cpu_med < <(runs_of tavrinel 3)
read -r rhash_wall rhash_wall_med < <(runs_of rhash 2)
read -r rhash_cpu rhash_cpu_med < <(runs_of rhash 3)
rchar=$(sort -n "$work/rchar" | tail -n 1)  # the most any run read

# The bound: the read alone, and each algorithm's cost, its fastest pass less that read; the
# costs split over the cores as evenly as they go (every assignment tried: five algorithms).
cores=$(nproc)  # the CPUs this process may use, as the run counts them
algos=(CRC32 MD5 SHA1 SHA256 SHA512)
declare -A pass_wall pass_how
read -r read_wall _ < <(awk '$1 == "READ" { print $3 }' "$work/passes" | best_median)
for a in "${algos[@]}"; do
  read -r pass_wall[$a] pass_how[$a] < <(awk -v a="$a" '$1 == a { print $3, $2 }' "$work/passes" |
                                         sort -g | head -n 1)
done
costs=$(for a in "${algos[@]}"; do awk -v p="${pass_wall[$a]}" -v r="$read_wall" \
          'BEGIN { c = p - r; printf "%.4f ", (c > 0 ? c : 0) }'; done)
split=$(awk -v k="$cores" -v costs="$costs" 'BEGIN {
  n = split(costs, c, " "); if (k > n) k = n; best = 1e9; total = k ^ n
  for (a = 0; a < total; ++a) {
    delete bin; x = a
    for (i = 1; i <= n; ++i) { bin[x % k] += c[i]; x = int(x / k) }
    m = 0; for (j = 0; j < k; ++j) if (bin[j] > m) m = bin[j]
    if (m < best) best = m
  }
  printf "%.3f", best }')
bound=$(awk -v s="$split" -v r="$read_wall" 'BEGIN { printf "%.3f", s + r }')

echo "Peak memory runs ..."
cat "$small" >/dev/null
read -r _ _ rss_small < <(timed "$sums" "$small")
warm
read -r _ _ rss_big < <(timed "$sums" "$big")

echo "On one core, and out of the page cache (for the record) ..."
warm
read -r one_tav _ < <(timed taskset -c 0 "$sums" "$big")
warm
read -r one_rhash _ < <(timed taskset -c 0 rhash --crc32 --md5 --sha1 --sha256 --sha512 "$big")
evict "$big"
read -r cold_tav _ < <(timed "$sums" "$big")
evict "$big"
read -r cold_rhash _ < <(timed rhash --crc32 --md5 --sha1 --sha256 --sha512 "$big")

"${prio[@]}" "$limit_tool" crc-mem >"$work/crcmem"

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
verdict() { awk -v r="$1" -v t="$2" 'BEGIN { if (r <= t) print "met"; else print "NOT met" }'; }
r_rhash_wall=$(ratio "$tav_wall" "$rhash_wall")
r_bound=$(ratio "$tav_wall" "$bound")
r_rhash_cpu=$(ratio "$tav_cpu" "$rhash_cpu")
r_read=$(ratio "$rchar" "$size")
peak_mb=$(awk -v a="$rss_small" -v b="$rss_big" 'BEGIN { m = a > b ? a : b; printf "%.1f", m * 1024 / 1e6 }')
rss_ratio=$(ratio "$rss_big" "$rss_small")
v_rhash_wall=$(verdict "$r_rhash_wall" 0.60)
v_bound=$(verdict "$r_bound" 1.15)
v_rhash_cpu=$(verdict "$r_rhash_cpu" 0.95)
v_read=$(verdict "$r_read" 1.01)
v_peak=$(verdict "$peak_mb" 16)
v_flat=$(verdict "$rss_ratio" 1.10)

cpu_name=$(awk -F ': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
# arm64 kernels name no model in /proc/cpuinfo; lscpu names it from the implementer and part.
[ -n "$cpu_name" ] || cpu_name=$(lscpu | sed -n 's/^Model name: *//p' | head -n 1)
load=$(cut -d' ' -f1-3 /proc/loadavg)
echo
echo "== Tavrinel benchmark: 1 GiB random file, warm page cache, best of $rounds runs (median) =="
echo "CPU: $cpu_name, $cores usable cores, load average $load; $(rhash --version); $(openssl version | cut -d' ' -f1-2)"
echo
printf "%-48s %16s %16s\n" "" "wall s" "CPU s"
printf "%-48s %7s (%6s) %7s (%6s)\n" "tavrinel-sums, one read, $cores cores" \
  "$tav_wall" "$tav_wall_med" "$tav_cpu" "$tav_cpu_med"
printf "%-48s %7s (%6s) %7s (%6s)\n" "rhash, the same five in one read, one core" \
  "$rhash_wall" "$rhash_wall_med" "$rhash_cpu" "$rhash_cpu_med"
printf "%-48s %7s\n" "bound on $cores cores (best split + one read)" "$bound"
printf "    %-44s %7s\n" "the read alone" "$read_wall"
for a in "${algos[@]}"; do
  printf "    %-44s %7s   (pass %s, %s)\n" "$a" "$(awk -v p="${pass_wall[$a]}" -v r="$read_wall" \
    'BEGIN { c = p - r; printf "%.3f", (c > 0 ? c : 0) }')" "${pass_wall[$a]}" "$(echo "${pass_how[$a]}" | tr '_' ' ')"
done
printf "    %-44s %7s\n" "the costs split over $cores cores" "$split"
echo
printf "%-48s %7s   target <= 0.60: %s\n" "tavrinel-sums / rhash, wall" "$r_rhash_wall" "$v_rhash_wall"
printf "%-48s %7s   target <= 1.15: %s\n" "tavrinel-sums / bound, wall" "$r_bound" "$v_bound"
printf "%-48s %7s   target <= 0.95: %s\n" "tavrinel-sums / rhash, CPU" "$r_rhash_cpu" "$v_rhash_cpu"
printf "%-48s %7s   target <= 1.01: %s   (at most %s bytes read of %s)\n" \
  "bytes read / file size" "$r_read" "$v_read" "$rchar" "$size"
printf "%-48s %7s   target <= 16 MB: %s   (%s KiB with 64 MiB, %s KiB with 1 GiB)\n" \
  "tavrinel-sums peak memory (max RSS), MB" "$peak_mb" "$v_peak" "$rss_small" "$rss_big"
printf "%-48s %7s   target <= 1.10: %s\n" "  1 GiB / 64 MiB" "$rss_ratio" "$v_flat"
echo
echo "For the record (one run each, wall seconds for the 1 GiB file):"
printf "    %-44s %7s   rhash %s\n" "tavrinel-sums on one core (taskset -c 0)" "$one_tav" "$one_rhash"
printf "    %-44s %7s   rhash %s\n" "tavrinel-sums, the file out of the page cache" "$cold_tav" "$cold_rhash"
echo
echo "CRC-32 in memory, every variant this CPU runs:"
sed 's/^crc-mem /    /' "$work/crcmem"

for v in "$v_rhash_wall" "$v_bound" "$v_rhash_cpu" "$v_read" "$v_peak" "$v_flat"; do
  [ "$v" = met ] || exit 3
done
