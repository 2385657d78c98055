#!/usr/bin/env bash
# velmora-cli end to end, run by hand; figures go to docs/performance.md.
# In one hyperfine run: "encode" of a 256 MiB text, file to file and
# through pipes, against a plain user-space copy (dd bs=1M) and GNU tr with
# the same 62-byte mapping. Then peak resident memory (/usr/bin/time) at two
# input sizes, and, given the Windows build, velmora-cli.exe under Wine on
# the same file beside the Linux program.
#   bench/cli_bench.sh [LINUX_CLI [WINDOWS_CLI_EXE]]
# Needs hyperfine and python3. The files live in /dev/shm, so that the disk
# does not stand in for the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=$(realpath "${1:-$root/build/linux/velmora-cli}")
exe=${2:+$(realpath "$2")}
runs=${VELMORA_BENCH_RUNS:-10}
work=$(mktemp -d /dev/shm/velmora-cli-bench.XXXXXX)
cleanup() {
  [ -z "$exe" ] || "$root/cmake/wine-prefix.sh" cleanup "$work/wine" || true
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"

# Spanish-looking text as core_bench makes it: small letters with an
# occasional capital, numbers, punctuation, ñ and accented vowels, CR LF.
python3 - <<'PY'
import random
random.seed(2024)
letters = "aaaaeeeeiioooosrnldtcumpbgvyqhfzjxkw"
accented = ["ñ", "á", "é", "í", "ó", "ú"]
parts, size = [], 0
while size < 1 << 20:
    kind = random.randrange(100)
    if kind < 8:
        word = str(random.randrange(10000))
    else:
        word = "".join(random.choice(accented) if random.randrange(25) == 0
                       else random.choice(letters) for _ in range(2 + random.randrange(8)))
        if kind < 15:
            word = "E" + word[1:]
    if kind % 9 == 0:
        word += random.choice(",.;:?!")
    word += "\r\n" if kind % 13 == 0 else " "
    part = word.encode()
    parts.append(part)
    size += len(part)
block = b"".join(parts)
with open("in.txt", "wb") as f:
    for _ in range(256 * (1 << 20) // len(block)):
        f.write(block)
with open("small.txt", "wb") as f:
    for _ in range(16 * (1 << 20) // len(block)):
        f.write(block)
PY
echo "input: $(stat -c %s in.txt) bytes; load average: $(cut -d' ' -f1-3 /proc/loadavg)"

# Each symbol coded by the next; tr gets the same mapping for the 62 bytes
# (capitals as their small letters, which velmora-cli lowers first).
codes=bcdefghijklmnopqrstuvwxyz0123456789a
"$cli" new --key key.log --codes "$codes"
set1='a-zA-Z0-9'
set2="${codes:0:26}${codes:0:26}${codes:26:10}"

hyperfine --warmup 2 --runs "$runs" --export-markdown "$work/files.md" \
  -n 'dd bs=1M, file to file' 'dd if=in.txt of=out.txt bs=1M status=none' \
  -n 'tr, file to file' "tr '$set1' '$set2' <in.txt >out.txt" \
  -n 'velmora-cli encode, file to file' "'$cli' encode --key key.log in.txt >out.txt" \
  -n 'dd bs=1M, pipe to pipe' 'cat in.txt | dd bs=1M status=none | cat >out.txt' \
  -n 'tr, pipe to pipe' "cat in.txt | tr '$set1' '$set2' | cat >out.txt" \
  -n 'velmora-cli encode, pipe to pipe' "cat in.txt | '$cli' encode --key key.log | cat >out.txt"
cat "$work/files.md"

echo "peak resident memory (KiB):"
for input in small.txt in.txt; do
  /usr/bin/time -f "  $input, file to file: %M" "$cli" encode --key key.log "$input" >out.txt
  cat "$input" | /usr/bin/time -f "  $input, from a pipe: %M" "$cli" encode --key key.log | cat >/dev/null
done
/usr/bin/time -f "  dd bs=1M: %M" dd if=in.txt of=out.txt bs=1M status=none

if [ -n "$exe" ]; then
  # A prefix of its own, made before the timing starts.
  "$root/cmake/wine-run.sh" "$work/wine" "$exe" --help >/dev/null
  hyperfine --warmup 1 --runs "$runs" \
    -n 'velmora-cli (Linux), file to file' "'$cli' encode --key key.log in.txt >out.txt" \
    -n 'velmora-cli.exe (Wine), file to file' \
    "'$root/cmake/wine-run.sh' '$work/wine' '$exe' encode --key key.log in.txt >out.txt" \
    -n 'velmora-cli.exe (Wine), --help only' "'$root/cmake/wine-run.sh' '$work/wine' '$exe' --help >/dev/null"
  "$root/cmake/wine-run.sh" "$work/wine" "$exe" encode --key key.log in.txt | cmp - <("$cli" encode --key key.log in.txt) &&
    echo "velmora-cli.exe and velmora-cli give the same bytes"
fi
