#!/usr/bin/env bash
# Whole-process timing of WAV conversion. One 256 MiB 16-bit stereo WAV file is made in a
# temporary folder; then, interleaved in every round: cp of it, vorsel-cli to-smp of it,
# vorsel-cli to-wav of the SMP result in each of the four codings (default settings otherwise,
# so the 8-bit codings are fitted), and sox and sndfile-convert making the same four codings
# from the source WAV; likewise 16-bit AU and AIFF: vorsel-cli to-au and to-aiff of the SMP
# file against sox and sndfile-convert writing them from the WAV, and vorsel-cli to-smp of AU
# and AIFF copies of the source against cp; and NSP: vorsel-cli to-nsp of the stereo SMP file
# with interleaved ("SDAB") and with per-channel chunks, and of an 8-channel SMP file of the same
# size (per-channel chunks, HDR8), and vorsel-cli to-smp of those three NSP files, all against
# cp (NSP has no such peer); RAW: vorsel-cli to-smp of the source's samples without a header and
# to-raw of the SMP file against cp; TXT: vorsel-cli to-smp of about 100 MB of one number per line
# against sox reading the same samples from its .dat file into a 16-bit WAV. Prints the median
# wall time of each command over
# the rounds, its median processor time (user + system) and its peak memory (/usr/bin/time -v),
# and the ratios of the wall times against the targets. On a machine busy with other work the
# processor times are the steadier figures; they are printed as ratios too.
#
#   bench/convert.sh                 builds vorsel-cli (Release) in build-bench-cli/
#   VORSEL_CLI=path bench/convert.sh uses that binary
#   ROUNDS=7 MIB=256 bench/convert.sh
set -euo pipefail
cd "$(dirname "$0")/.."

rounds=${ROUNDS:-5}
mib=${MIB:-256}

for tool in sox sndfile-convert /usr/bin/time; do
  if ! command -v "$tool" >/dev/null; then
    echo "convert.sh: $tool is missing; scripts/install-deps installs it" >&2
    exit 1
  fi
done

cli=${VORSEL_CLI:-}
if [ -z "$cli" ]; then
  cmake -S . -B build-bench-cli -DCMAKE_BUILD_TYPE=Release -DVORSEL_TESTS=OFF >/dev/null
  cmake --build build-bench-cli -j2 --target vorsel-cli >/dev/null
  cli=$PWD/build-bench-cli/app/vorsel-cli
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/vorsel-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
# The tool's per-user stores stay inside the temporary folder.
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

frames=$((mib * 1024 * 1024 / 4))
echo "Making a ${mib} MiB 16-bit stereo WAV file ($frames frames at 44100 Hz)..."
# Rate and channels before -n belong to the null input, so that sox synthesises at 44100 Hz
# rather than resampling from its default rate.
sox -V1 -r 44100 -c 2 -n -b 16 -e signed-integer "$work/src.wav" \
  synth "${frames}s" whitenoise vol 0.8
"$cli" --yes to-smp "$work/src.wav" >/dev/null
# The same samples as 16-bit AU and AIFF files, the inputs of those imports.
sox -V1 "$work/src.wav" -b 16 "$work/src.au"
sox -V1 "$work/src.wav" -b 16 "$work/src.aif"
# The same samples headerless, the input of the RAW import. For the TXT import, a sine as sox's
# own text file (.dat: comment lines, then time and value) and its value column alone, one
# number per line, of about TXT_MB megabytes; sox reads the .dat into a 16-bit WAV.
sox -V1 "$work/src.wav" -t raw "$work/src.raw"
txt_seconds=$((${TXT_MB:-100} * 1000000 / 14 / 8000))
sox -V1 -n -r 8000 -c 1 "$work/sine.dat" synth "$txt_seconds" sine 440 vol 0.9
awk 'NR > 2 {print $2}' "$work/sine.dat" >"$work/sine.txt"
echo "TXT import: $(stat -c %s "$work/sine.txt") bytes of one number per line;" \
  "sox reads the same samples from a $(stat -c %s "$work/sine.dat")-byte .dat"
# The same bytes as 8 channels (RAW import), and the NSP inputs of the NSP imports.
tail -c +1025 "$work/src.smp" >"$work/src8.raw"
"$cli" --yes --set ImportRAW.nChans=8 --set ImportRAW.SfTot=352800 to-smp "$work/src8.raw" >/dev/null
rm "$work/src8.raw"
"$cli" --yes --set ExportNSP.TwoChannelType=0 --set Common.Naming=2 --set Common.AppendString=_in \
  to-nsp "$work/src.smp" >/dev/null
"$cli" --yes --set Common.Naming=2 --set Common.AppendString=_in2 to-nsp "$work/src.smp" >/dev/null
"$cli" --yes --set Common.Naming=2 --set Common.AppendString=_in to-nsp "$work/src8.smp" >/dev/null

export_wav() {  # coding, suffix of the output name, further options
  "$cli" --yes --set "ExportWAV.Encoding=$1" --set Common.Naming=2 \
    --set "Common.AppendString=$2" "${@:3}" to-wav "$work/src.smp" >/dev/null
}

run_cli() {  # action, suffix of the output name, input file, further options
  "$cli" --yes --set Common.Naming=2 --set "Common.AppendString=$2" "${@:4}" "$1" "$work/$3" \
    >/dev/null
}

# name | output file (removed before each run) | command
commands=(
  "cp|copy.wav|cp $work/src.wav $work/copy.wav"
  "dd 16k|copy16k.wav|dd if=$work/src.wav of=$work/copy16k.wav bs=16k status=none"
  "vorsel to-smp|src.smp|$cli --yes to-smp $work/src.wav"
  "vorsel u-law|src_u.wav|export_wav 0 _u"
  "vorsel A-law|src_a.wav|export_wav 1 _a"
  "vorsel 8-bit|src_8.wav|export_wav 2 _8"
  "vorsel 16-bit|src_16.wav|export_wav 3 _16"
  "vorsel 8-bit nd|src_8n.wav|export_wav 2 _8n --set ExportWAV.DitherNoise=0"
  "sox u-law|sox_u.wav|sox -V1 $work/src.wav -e u-law $work/sox_u.wav"
  "sox A-law|sox_a.wav|sox -V1 $work/src.wav -e a-law $work/sox_a.wav"
  "sox 8-bit|sox_8.wav|sox -V1 $work/src.wav -b 8 $work/sox_8.wav"
  "sox 16-bit|sox_16.wav|sox -V1 $work/src.wav -b 16 $work/sox_16.wav"
  "sndfile u-law|sf_u.wav|sndfile-convert -ulaw $work/src.wav $work/sf_u.wav"
  "sndfile A-law|sf_a.wav|sndfile-convert -alaw $work/src.wav $work/sf_a.wav"
  "sndfile 8-bit|sf_8.wav|sndfile-convert -pcmu8 $work/src.wav $work/sf_8.wav"
  "sndfile 16-bit|sf_16.wav|sndfile-convert -pcm16 $work/src.wav $work/sf_16.wav"
  "vorsel to-au|src_v.au|run_cli to-au _v src.smp"
  "vorsel to-aiff|src_v.aif|run_cli to-aiff _v src.smp"
  "vorsel au>smp|src_au.smp|run_cli to-smp _au src.au"
  "vorsel aif>smp|src_aif.smp|run_cli to-smp _aif src.aif"
  "sox AU 16|sox_16.au|sox -V1 $work/src.wav -b 16 $work/sox_16.au"
  "sox AIFF 16|sox_16.aif|sox -V1 $work/src.wav -b 16 $work/sox_16.aif"
  "sndfile AU 16|sf_16.au|sndfile-convert -pcm16 $work/src.wav $work/sf_16.au"
  "sndfile AIFF 16|sf_16.aif|sndfile-convert -pcm16 $work/src.wav $work/sf_16.aif"
  "vorsel nsp SDAB|src_i.nsp|run_cli to-nsp _i src.smp --set ExportNSP.TwoChannelType=0"
  "vorsel nsp 2ch|src_v.nsp|run_cli to-nsp _v src.smp"
  "vorsel nsp 8ch|src8_v.nsp|run_cli to-nsp _v src8.smp"
  "vorsel SDAB>smp|src_in_x.smp|run_cli to-smp _x src_in.nsp"
  "vorsel 2ch>smp|src_in2_x.smp|run_cli to-smp _x src_in2.nsp"
  "vorsel 8ch>smp|src8_in_x.smp|run_cli to-smp _x src8_in.nsp"
  "vorsel raw>smp|src_raw.smp|run_cli to-smp _raw src.raw"
  "vorsel to-raw|src_v.raw|run_cli to-raw _v src.smp"
  "vorsel txt>smp|sine.smp|$cli --yes to-smp $work/sine.txt"
  "sox dat>wav|sine.wav|sox -V1 $work/sine.dat -b 16 $work/sine.wav"
)

results=$work/results.txt  # name|seconds|peak KiB|processor seconds, one line per run
: >"$results"

run_one() {  # name, output, command
  local name=$1 output=$2 command=$3 start end peak cpu
  # The SMP file is the input of the exports: only its own import replaces it.
  if [ "$output" != src.smp ]; then
    rm -f "$work/$output"
  fi
  sync
  start=$(date +%s%N)
  if ! /usr/bin/time -v -o "$work/time.txt" \
    bash -c "$(declare -f export_wav run_cli); cli='$cli'; work='$work'; $command" >"$work/run.log" 2>&1; then
    echo "convert.sh: '$name' failed:" >&2
    cat "$work/run.log" >&2
    exit 1
  fi
  end=$(date +%s%N)
  peak=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
  cpu=$(awk -F': ' '/User time|System time/ {t += $2} END {printf "%.4f", t}' "$work/time.txt")
  echo "$name|$(awk -v d=$((end - start)) 'BEGIN {printf "%.4f", d / 1e9}')|$peak|$cpu" >>"$results"
}

for round in $(seq 1 "$rounds"); do
  echo "Round $round of $rounds"
  for entry in "${commands[@]}"; do
    IFS='|' read -r name output command <<<"$entry"
    run_one "$name" "$output" "$command"
  done
done
for output in copy.wav copy16k.wav src_u.wav src_a.wav src_8.wav src_16.wav src_8n.wav src_v.au src_v.aif src_au.smp \
  src_aif.smp src_i.nsp src_v.nsp src8_v.nsp src_in_x.smp src_in2_x.smp src8_in_x.smp \
  src_raw.smp src_v.raw sine.smp sine.wav; do
  rm -f "$work/$output"
done

# Peak memory of the tool on a file a hundred times smaller, to see that it does not grow.
sox -V1 -r 44100 -c 2 -n -b 16 -e signed-integer "$work/small.wav" synth "$((frames / 100))s" \
  whitenoise vol 0.8
/usr/bin/time -v -o "$work/time.txt" "$cli" --yes to-smp "$work/small.wav" >/dev/null
small_import=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
/usr/bin/time -v -o "$work/time.txt" "$cli" --yes --set ExportWAV.Encoding=0 --set Common.Naming=2 \
  --set Common.AppendString=_u to-wav "$work/small.smp" >/dev/null
small_export=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")

median() {  # name [column] -> median of that column (2 wall seconds, 4 processor seconds)
  awk -F'|' -v n="$1" -v c="${2:-2}" '$1 == n {print $c}' "$results" | sort -g |
    awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}
peak() {  # name -> largest peak memory in MiB
  awk -F'|' -v n="$1" '$1 == n && $3 > m {m = $3} END {printf "%.1f", m / 1024}' "$results"
}

echo
echo "Medians of $rounds rounds, ${mib} MiB 16-bit stereo source"
printf '%-16s %10s %10s %10s\n' command "wall s" "cpu s" "peak MiB"
for entry in "${commands[@]}"; do
  IFS='|' read -r name _ _ <<<"$entry"
  printf '%-16s %10.3f %10.3f %10s\n' "$name" "$(median "$name")" "$(median "$name" 4)" \
    "$(peak "$name")"
done

met=0
missed=0
check() {  # label, ratio, limit[, processor-time ratio]
  local verdict
  if awk -v r="$2" -v l="$3" 'BEGIN {exit !(r <= l)}'; then
    verdict=met
    met=$((met + 1))
  else
    verdict=MISSED
    missed=$((missed + 1))
  fi
  printf '%-34s %6.2f  (target <= %s)  %-6s' "$1" "$2" "$3" "$verdict"
  if [ -n "${4:-}" ]; then
    printf '  cpu %s' "$(awk -v r="$4" 'BEGIN {if (r == "n/a") print r; else printf "%.2f", r}')"
  fi
  printf '\n'
}
ratio() {  # name, name[, column]
  awk -v a="$(median "$1" "${3:-2}")" -v b="$(median "$2" "${3:-2}")" \
    'BEGIN {if (b > 0) printf "%.4f", a / b; else printf "n/a"}'
}

echo
echo "Ratios"
check "to-smp / cp" "$(ratio "vorsel to-smp" cp)" 1.5 "$(ratio "vorsel to-smp" cp 4)"
check "16-bit to-wav / cp" "$(ratio "vorsel 16-bit" cp)" 1.5 "$(ratio "vorsel 16-bit" cp 4)"
for coding in u-law A-law 8-bit 16-bit; do
  check "$coding to-wav / sox" "$(ratio "vorsel $coding" "sox $coding")" 0.5 \
    "$(ratio "vorsel $coding" "sox $coding" 4)"
  check "$coding to-wav / sndfile-convert" "$(ratio "vorsel $coding" "sndfile $coding")" 0.8 \
    "$(ratio "vorsel $coding" "sndfile $coding" 4)"
done
for format in AU AIFF; do
  action=to-$(tr 'A-Z' 'a-z' <<<"$format")
  check "16-bit $action / cp" "$(ratio "vorsel $action" cp)" 1.5 "$(ratio "vorsel $action" cp 4)"
  check "16-bit $action / sox" "$(ratio "vorsel $action" "sox $format 16")" 0.5 \
    "$(ratio "vorsel $action" "sox $format 16" 4)"
  check "16-bit $action / sndfile-convert" "$(ratio "vorsel $action" "sndfile $format 16")" 0.8 \
    "$(ratio "vorsel $action" "sndfile $format 16" 4)"
done
check "16-bit AU to-smp / cp" "$(ratio "vorsel au>smp" cp)" 1.5 "$(ratio "vorsel au>smp" cp 4)"
check "16-bit AIFF to-smp / cp" "$(ratio "vorsel aif>smp" cp)" 1.5 \
  "$(ratio "vorsel aif>smp" cp 4)"
check "16-bit to-nsp SDAB / cp" "$(ratio "vorsel nsp SDAB" cp)" 1.5 \
  "$(ratio "vorsel nsp SDAB" cp 4)"
check "16-bit NSP SDAB to-smp / cp" "$(ratio "vorsel SDAB>smp" cp)" 1.5 \
  "$(ratio "vorsel SDAB>smp" cp 4)"
for layout in 2ch 8ch; do
  check "per-channel to-nsp $layout / cp" "$(ratio "vorsel nsp $layout" cp)" 2.5 \
    "$(ratio "vorsel nsp $layout" cp 4)"
  check "per-channel NSP $layout to-smp / cp" "$(ratio "vorsel $layout>smp" cp)" 2.5 \
    "$(ratio "vorsel $layout>smp" cp 4)"
done
check "16-bit RAW to-smp / cp" "$(ratio "vorsel raw>smp" cp)" 1.5 "$(ratio "vorsel raw>smp" cp 4)"
check "16-bit to-raw / cp" "$(ratio "vorsel to-raw" cp)" 1.5 "$(ratio "vorsel to-raw" cp 4)"
check "TXT to-smp / sox .dat to WAV" "$(ratio "vorsel txt>smp" "sox dat>wav")" 0.5 \
  "$(ratio "vorsel txt>smp" "sox dat>wav" 4)"
largest=0
for name in "vorsel to-smp" "vorsel u-law" "vorsel A-law" "vorsel 8-bit" "vorsel 16-bit" \
  "vorsel to-au" "vorsel to-aiff" "vorsel au>smp" "vorsel aif>smp" "vorsel nsp SDAB" \
  "vorsel nsp 2ch" "vorsel nsp 8ch" "vorsel SDAB>smp" "vorsel 2ch>smp" "vorsel 8ch>smp" \
  "vorsel raw>smp" "vorsel to-raw" "vorsel txt>smp"; do
  largest=$(awk -v a="$largest" -v b="$(peak "$name")" 'BEGIN {print (b > a) ? b : a}')
done
check "vorsel-cli peak memory, MiB" "$largest" 16
printf 'For information: cp copies inside the kernel; a copy in 16 KiB blocks (dd) takes %.2f of cp,\n' \
  "$(ratio "dd 16k" cp)"
printf '  to-smp %.2f and 16-bit to-wav %.2f of that copy\n' "$(ratio "vorsel to-smp" "dd 16k")" \
  "$(ratio "vorsel 16-bit" "dd 16k")"
printf 'For information: 8-bit without dither (sndfile-convert neither fits nor dithers): %.2f of\n' \
  "$(ratio "vorsel 8-bit nd" "sndfile 8-bit")"
printf '  sndfile-convert, %.2f of sox\n' "$(ratio "vorsel 8-bit nd" "sox 8-bit")"
printf 'vorsel-cli peak memory on a %s-times smaller file: to-smp %.1f MiB, to-wav %.1f MiB\n' \
  100 "$(awk -v k="$small_import" 'BEGIN {print k / 1024}')" \
  "$(awk -v k="$small_export" 'BEGIN {print k / 1024}')"
echo
echo "$met targets met, $missed missed (wall times; load average at the end: $(cut -d' ' -f1-3 /proc/loadavg))"
