#!/usr/bin/env bash
# Whole-process timing of conversions against a file copy and against sox and sndfile-convert.
#
# One MIB MiB 16-bit stereo WAV file of white noise is made, with its SMP import and the same
# samples as AU, AIFF, RAW, NSP (interleaved "SDAB", per-channel chunks, and an 8-channel file of
# the same size) and 24-bit WAV files. Then, interleaved in every round, each command runs once:
#   - cp of the WAV file (and of the 24-bit WAV file), the limit of every ratio, and dd in 16 KiB
#     blocks for information;
#   - vorsel-cli to-smp of the WAV, AU, AIFF, RAW, the three NSP files and the 24-bit WAV;
#   - vorsel-cli export of the SMP file to WAV, AU, AIFF and RAW in 16-bit linear, in G.711
#     u-law and A-law where the format offers them (not AIFF), and in 8-bit linear twice: with
#     the default settings (fitted and dithered) and plain (FitAmplitude and DitherNoise off);
#     and to NSP, interleaved and per-channel (2 and 8 channels);
#   - sox and sndfile-convert writing each of those codings from the WAV file; sox dithers 8-bit
#     output, so it is paired with the fitted and dithered export, sndfile-convert neither fits
#     nor dithers, so it is paired with the plain one;
#   - vorsel-cli to-smp of about TXT_MB megabytes of one number per line against sox reading the
#     same samples from its .dat file into a 16-bit WAV.
# Every output is checked to exist with at least its samples' bytes and at most 64 KiB more, then
# removed; a failed command ends the run. Prints, per command, the median wall time over the
# rounds with its minimum and maximum, the median processor time (user + system) and the peak
# memory (/usr/bin/time -v); then the ratios of the median wall times against their targets,
# each with the ratio of the median processor times, which are the steadier figures on a machine
# busy with other work; the count of targets met and missed counts the wall-time ratios.
#
# The files are made in a new folder inside FOLDER (the argument, else BENCH_DIR, else
# ${TMPDIR:-/tmp}), so that the same run can be made on a tmpfs folder such as /dev/shm, where
# disk write-back does not swamp the ratios, and on the disk. The folder is removed at the end.
# Every process the script runs has its home, XDG folders, Vorsel stores and TMPDIR inside it.
#
#   bench/convert.sh [FOLDER]          builds vorsel-cli (Release) in build-bench-cli/
#   VORSEL_CLI=path bench/convert.sh   uses that binary
#   ROUNDS=5 MIB=128 TXT_MB=100 bench/convert.sh /dev/shm   the defaults, on tmpfs
set -euo pipefail

rounds=${ROUNDS:-5}
mib=${MIB:-128}
txt_mb=${TXT_MB:-100}
parent=${1:-${BENCH_DIR:-${TMPDIR:-/tmp}}}

for tool in sox sndfile-convert /usr/bin/time; do
  if ! command -v "$tool" >/dev/null; then
    echo "convert.sh: $tool is missing; scripts/install-deps installs it" >&2
    exit 1
  fi
done

# Relative paths are taken from the caller's folder, before the script moves to the checkout.
mkdir -p -- "$parent"
work=$(mktemp -d "$(cd -- "$parent" && pwd)/vorsel-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
cli=${VORSEL_CLI:-}
if [ -n "$cli" ]; then
  cli=$(realpath -- "$cli")
fi
cd "$(dirname "$0")/.."

# CI and the bench machines run as root: nothing any command does may reach the real stores.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data \
  XDG_CACHE_HOME=$work/home/cache XDG_RUNTIME_DIR=$work/home/run \
  VORSEL_MACHINE_DIR=$work/home/machine VORSEL_COMMON_DIR=$work/home/common TMPDIR=$work/home/tmp
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR" \
  "$VORSEL_MACHINE_DIR" "$VORSEL_COMMON_DIR" "$TMPDIR"
chmod 700 "$XDG_RUNTIME_DIR"

if [ -z "$cli" ]; then
  cmake -S . -B build-bench-cli -DCMAKE_BUILD_TYPE=Release -DVORSEL_TESTS=OFF >/dev/null
  cmake --build build-bench-cli -j2 --target vorsel-cli >/dev/null
  cli=$PWD/build-bench-cli/app/vorsel-cli
fi
echo "Working in $work (file system: $(stat -f -c %T "$work"))"
echo "vorsel-cli: $cli"
# Every command from here on runs in the work folder and names its files relative to it.
cd "$work"

frames=$((mib * 1024 * 1024 / 4))
bytes16=$((frames * 4))  # the samples' bytes of every 16-bit output
bytes8=$((frames * 2))   # of every 8-bit output
bytes24=$((frames * 6))
txt_seconds=$((txt_mb * 1000000 / 14 / 8000))
bytes_txt=$((txt_seconds * 8000 * 2))

echo "Making a ${mib} MiB 16-bit stereo WAV file ($frames frames at 44100 Hz)..."
# Rate and channels before -n belong to the null input, so that sox synthesises at 44100 Hz
# rather than resampling from its default rate.
sox -V1 -r 44100 -c 2 -n -b 16 -e signed-integer src.wav synth "${frames}s" whitenoise vol 0.8
"$cli" --yes to-smp src.wav >/dev/null
# The same samples as 16-bit AU and AIFF files, headerless, and as a 24-bit WAV file.
sox -V1 src.wav -b 16 src.au
sox -V1 src.wav -b 16 src.aif
sox -V1 src.wav -t raw src.raw
sox -V1 src.wav -b 24 src24.wav
# For the TXT import, a sine as sox's own text file (.dat: comment lines, then time and value)
# and its value column alone, one number per line.
sox -V1 -n -r 8000 -c 1 sine.dat synth "$txt_seconds" sine 440 vol 0.9
awk 'NR > 2 {print $2}' sine.dat >sine.txt
echo "TXT import: $(stat -c %s sine.txt) bytes of one number per line;" \
  "sox reads the same samples from a $(stat -c %s sine.dat)-byte .dat"
# The same bytes as 8 channels (RAW import), and the inputs of the NSP imports.
tail -c +1025 src.smp >src8.raw
"$cli" --yes --set ImportRAW.nChans=8 --set ImportRAW.SfTot=352800 to-smp src8.raw >/dev/null
rm src8.raw
"$cli" --yes --set ExportNSP.TwoChannelType=0 --set Common.Naming=2 --set Common.AppendString=_in \
  to-nsp src.smp >/dev/null
"$cli" --yes --set Common.Naming=2 --set Common.AppendString=_in2 to-nsp src.smp >/dev/null
"$cli" --yes --set Common.Naming=2 --set Common.AppendString=_in to-nsp src8.smp >/dev/null

run_cli() {  # action, suffix of the output name, input file, further options
  "$cli" --yes --set Common.Naming=2 --set "Common.AppendString=$2" "${@:4}" "$1" "$3" >/dev/null
}
export cli
export -f run_cli

commands=()  # name|output file|bytes of its samples|command
checks=()    # label|numerator|denominator|largest ratio that meets the target
add() { commands+=("$1|$2|$3|$4"); }
target() { checks+=("$1|$2|$3|$4"); }

add "cp" copy.wav "$bytes16" "cp src.wav copy.wav"
add "cp 24-bit" copy24.wav "$bytes24" "cp src24.wav copy24.wav"
add "dd 16k" copy16k.wav "$bytes16" "dd if=src.wav of=copy16k.wav bs=16k status=none"

for entry in "WAV|src.wav|_w" "AU|src.au|_au" "AIFF|src.aif|_aif" "RAW|src.raw|_raw" \
  "NSP SDAB|src_in.nsp|_x" "NSP 2ch|src_in2.nsp|_x" "NSP 8ch|src8_in.nsp|_x"; do
  IFS='|' read -r format input suffix <<<"$entry"
  add "vorsel $format>smp" "${input%.*}$suffix.smp" "$bytes16" "run_cli to-smp $suffix $input"
done
add "vorsel WAV 24>smp" src24_w.smp "$bytes16" "run_cli to-smp _w src24.wav"
add "vorsel TXT>smp" sine_t.smp "$bytes_txt" "run_cli to-smp _t sine.txt"
add "sox dat>wav" sine.wav "$bytes_txt" "sox -V1 sine.dat -b 16 sine.wav"
for format in WAV AU AIFF RAW "NSP SDAB"; do
  target "16-bit $format to-smp / cp" "vorsel $format>smp" cp 1.25
done
for layout in 2ch 8ch; do
  target "per-channel NSP $layout to-smp / cp" "vorsel NSP $layout>smp" cp 1.5
done
target "24-bit WAV to-smp / cp 24-bit" "vorsel WAV 24>smp" "cp 24-bit" 1.25
target "TXT to-smp / sox .dat to WAV" "vorsel TXT>smp" "sox dat>wav" 0.5

peer_targets() {  # label, vorsel command, sox command, sndfile-convert command
  target "$1 / sox" "$2" "$3" 0.5
  target "$1 / sndfile-convert" "$2" "$4" 0.8
}
# Commands of the format being added (action, section, ext): Encoding value, output suffix, ...
export_to() { echo "run_cli $action _$2 src.smp --set $section.Encoding=$1 ${*:3}"; }
sox_to() { echo "sox -V1 src.wav $1 sox_$2.$ext"; }
sf_to() { echo "sndfile-convert $1 src.wav sf_$2.$ext"; }

# format|action|settings section|extension|Encoding values of u-law, A-law, 8-bit and 16-bit
# linear ("-" where the format has none)|sox and sndfile-convert options of its 8-bit coding
formats=(
  "WAV|to-wav|ExportWAV|wav|0 1 2 3|-e unsigned|-pcmu8"
  "AU|to-au|ExportAU|au|0 1 2 3|-e signed|-pcms8"
  "AIFF|to-aiff|ExportAIF|aif|- - 0 1|-e signed|-pcms8"
  "RAW|to-raw|ExportRAW|raw|0 1 2 3|-e signed|-pcms8"
)
for entry in "${formats[@]}"; do
  IFS='|' read -r format action section ext codings sox8 sf8 <<<"$entry"
  read -r ulaw alaw linear8 linear16 <<<"$codings"
  add "vorsel $format 16-bit" "src_16.$ext" "$bytes16" "$(export_to "$linear16" 16)"
  add "sox $format 16-bit" "sox_16.$ext" "$bytes16" "$(sox_to "-b 16 -e signed" 16)"
  add "sndfile $format 16-bit" "sf_16.$ext" "$bytes16" "$(sf_to -pcm16 16)"
  target "16-bit $action / cp" "vorsel $format 16-bit" cp 1.25
  peer_targets "16-bit $action" "vorsel $format 16-bit" "sox $format 16-bit" \
    "sndfile $format 16-bit"

  add "vorsel $format 8-bit" "src_8.$ext" "$bytes8" "$(export_to "$linear8" 8)"
  add "vorsel $format 8-bit plain" "src_8p.$ext" "$bytes8" "$(export_to "$linear8" 8p \
    --set "$section.FitAmplitude=0" --set "$section.DitherNoise=0")"
  add "sox $format 8-bit" "sox_8.$ext" "$bytes8" "$(sox_to "-b 8 $sox8" 8)"
  add "sndfile $format 8-bit" "sf_8.$ext" "$bytes8" "$(sf_to "$sf8" 8)"
  target "8-bit $action / cp" "vorsel $format 8-bit" cp 1.5
  target "8-bit plain $action / cp" "vorsel $format 8-bit plain" cp 1.25
  target "8-bit $action / sox" "vorsel $format 8-bit" "sox $format 8-bit" 0.5
  target "8-bit plain $action / sndfile-convert" "vorsel $format 8-bit plain" \
    "sndfile $format 8-bit" 0.8

  if [ "$ulaw" != - ]; then
    for law in "u-law|$ulaw|u|-ulaw" "A-law|$alaw|a|-alaw"; do
      IFS='|' read -r coding value suffix sf_option <<<"$law"
      add "vorsel $format $coding" "src_$suffix.$ext" "$bytes8" "$(export_to "$value" "$suffix")"
      add "sox $format $coding" "sox_$suffix.$ext" "$bytes8" \
        "$(sox_to "-e $(tr A a <<<"$coding")" "$suffix")"
      add "sndfile $format $coding" "sf_$suffix.$ext" "$bytes8" "$(sf_to "$sf_option" "$suffix")"
      target "$coding $action / cp" "vorsel $format $coding" cp 1.25
      peer_targets "$coding $action" "vorsel $format $coding" "sox $format $coding" \
        "sndfile $format $coding"
    done
  fi
done

add "vorsel to-nsp SDAB" src_i.nsp "$bytes16" \
  "run_cli to-nsp _i src.smp --set ExportNSP.TwoChannelType=0"
add "vorsel to-nsp 2ch" src_v.nsp "$bytes16" "run_cli to-nsp _v src.smp"
add "vorsel to-nsp 8ch" src8_v.nsp "$bytes16" "run_cli to-nsp _v src8.smp"
target "16-bit to-nsp SDAB / cp" "vorsel to-nsp SDAB" cp 1.25
for layout in 2ch 8ch; do
  target "per-channel to-nsp $layout / cp" "vorsel to-nsp $layout" cp 1.5
done

results=$work/results.txt  # name|seconds|peak KiB|processor seconds, one line per run
: >"$results"

run_one() {  # name, output, bytes of its samples, command
  local name=$1 output=$work/$2 least=$3 command=$4 start end size peak cpu
  rm -f "$output"
  sync
  start=$(date +%s%N)
  # The shell reports its children's processor time to the millisecond (time -v: centiseconds).
  if ! /usr/bin/time -v -o "$work/time.txt" \
    bash -c "$command"$'\n'"status=\$?; times >&3; exit \$status" 3>"$work/cpu.txt" \
    >"$work/run.log" 2>&1; then
    echo "convert.sh: '$name' failed:" >&2
    cat "$work/run.log" >&2
    exit 1
  fi
  end=$(date +%s%N)
  # Room for any header, but not for a second copy of the samples or a missing block.
  size=$(stat -c %s "$output" 2>/dev/null || echo missing)
  if [ "$size" = missing ] || [ "$size" -lt "$least" ] || [ "$size" -gt $((least + 65536)) ]; then
    echo "convert.sh: '$name' made $output of $size bytes, expected $least bytes of" \
      "samples and a header" >&2
    exit 1
  fi
  rm -f "$output"
  peak=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
  cpu=$(awk 'NR == 2 {
      for (i = 1; i <= 2; i++) {split($i, t, /[ms]/); s += t[1] * 60 + t[2]}
      printf "%.4f", s
    }' "$work/cpu.txt")
  echo "$name|$(awk -v d=$((end - start)) 'BEGIN {printf "%.4f", d / 1e9}')|$peak|$cpu" >>"$results"
}

for round in $(seq 1 "$rounds"); do
  echo "Round $round of $rounds"
  for entry in "${commands[@]}"; do
    IFS='|' read -r name output least command <<<"$entry"
    run_one "$name" "$output" "$least" "$command"
  done
done
echo "Every output had its samples' bytes and a header of at most 64 KiB"

# Peak memory of the tool on a file a hundred times smaller, to see that it does not grow.
sox -V1 -r 44100 -c 2 -n -b 16 -e signed-integer small.wav synth "$((frames / 100))s" \
  whitenoise vol 0.8
/usr/bin/time -v -o "$work/time.txt" "$cli" --yes to-smp small.wav >/dev/null
small_import=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
/usr/bin/time -v -o "$work/time.txt" "$cli" --yes --set ExportWAV.Encoding=0 --set Common.Naming=2 \
  --set Common.AppendString=_u to-wav small.smp >/dev/null
small_export=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")

stat_of() {  # name, column (2 wall seconds, 4 processor seconds), median|min|max
  awk -F'|' -v n="$1" -v c="$2" '$1 == n {print $c}' "$results" | sort -g |
    awk -v s="$3" '{v[NR] = $1}
      END {
        if (s == "min") print v[1]
        else if (s == "max") print v[NR]
        else print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
      }'
}
median() { stat_of "$1" "${2:-2}" median; }
peak() {  # name -> largest peak memory in MiB
  awk -F'|' -v n="$1" '$1 == n && $3 > m {m = $3} END {printf "%.1f", m / 1024}' "$results"
}

echo
echo "Medians of $rounds rounds, ${mib} MiB 16-bit stereo source, in $(stat -f -c %T "$work")"
printf '%-26s %9s %9s %9s %9s %9s\n' command "wall s" "min s" "max s" "cpu s" "peak MiB"
for entry in "${commands[@]}"; do
  IFS='|' read -r name _ <<<"$entry"
  printf '%-26s %9.3f %9.3f %9.3f %9.3f %9s\n' "$name" "$(median "$name")" \
    "$(stat_of "$name" 2 min)" "$(stat_of "$name" 2 max)" "$(median "$name" 4)" "$(peak "$name")"
done

met=0
missed=0
check() {  # label, value, comparison (<= or <), limit[, processor-time ratio]
  local verdict
  if awk -v r="$2" -v o="$3" -v l="$4" \
    'BEGIN {exit !(r != "n/a" && (o == "<" ? r < l : r <= l))}'; then
    verdict=met
    met=$((met + 1))
  else
    verdict=MISSED
    missed=$((missed + 1))
  fi
  printf '%-42s %6.2f  (target %-2s %-4s)  %-6s' "$1" "$2" "$3" "$4" "$verdict"
  if [ -n "${5:-}" ]; then
    printf '  cpu %s' "$(awk -v r="$5" 'BEGIN {if (r == "n/a") print r; else printf "%.2f", r}')"
  fi
  printf '\n'
}
ratio() {  # name, name[, column]
  awk -v a="$(median "$1" "${3:-2}")" -v b="$(median "$2" "${3:-2}")" \
    'BEGIN {if (b > 0) printf "%.4f", a / b; else printf "n/a"}'
}

echo
echo "Ratios of medians"
for entry in "${checks[@]}"; do
  IFS='|' read -r label numerator denominator limit <<<"$entry"
  check "$label" "$(ratio "$numerator" "$denominator")" "<=" "$limit" \
    "$(ratio "$numerator" "$denominator" 4)"
done
largest=0
for entry in "${commands[@]}"; do
  IFS='|' read -r name _ <<<"$entry"
  if [[ $name == vorsel* ]]; then
    largest=$(awk -v a="$largest" -v b="$(peak "$name")" 'BEGIN {print (b > a) ? b : a}')
  fi
done
check "vorsel-cli peak memory, MiB" "$largest" "<" 16
printf 'For information: cp copies inside the kernel; a copy in 16 KiB blocks (dd) takes %.2f of cp,\n' \
  "$(ratio "dd 16k" cp)"
printf '  WAV to-smp %.2f and 16-bit to-wav %.2f of that copy\n' \
  "$(ratio "vorsel WAV>smp" "dd 16k")" "$(ratio "vorsel WAV 16-bit" "dd 16k")"
printf 'vorsel-cli peak memory on a %s-times smaller file: to-smp %.1f MiB, to-wav %.1f MiB\n' \
  100 "$(awk -v k="$small_import" 'BEGIN {print k / 1024}')" \
  "$(awk -v k="$small_export" 'BEGIN {print k / 1024}')"
echo
echo "$met targets met, $missed missed (wall times; load average at the end: $(cut -d' ' -f1-3 /proc/loadavg))"
