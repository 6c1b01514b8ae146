#!/usr/bin/env bash
# The hostile table: every option of every command, every key of a design
# file (through `open` with each of its analyses, and through the report),
# each given the values that break careless code, and the cross-field rules
# at their boundaries. Every run must end within the time bound and under
# the memory bound, by a crash of none, with exit status 0, 1 or 2; a
# successful run prints no non-finite number ("nan", "inf", JSON null) and a
# refusal says something.
#
# Usage: hostile_table.sh BIN_DIR SECONDS MEMORY_MB [WORK_DIR]
set -uo pipefail
bin_dir="$1" seconds="$2" memory_mb="$3"
work="${4:-$(mktemp -d)}"
mkdir -p "$work"
rm -f "$work"/*.json "$work"/*.html
cli="$bin_dir/stepdown-cli" gui="$bin_dir/stepdown"
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8

hostile=(0 -0 1e-300 5e-324 1e300 nan inf "" -1)

# Each base runs fast; its flags open the options a command reads.
bases=(
  "design --vi 25 --vo 15 --f 80 --ripple 40 --dvo 60 --io 1.5 --verify --n 50 --ni 200 --esr 50 --rth-hs 10"
  "design --vi 25 --vo 15 --f 80 --ripple 40 --dvo 60 --io 1.5 --series E12 --corners"
  "verify --vi 25 --d 60 --f 80 --l 125 --c 15.625 --rl 10 --n 50 --ni 200 --esr 50 --rth-hs 10 --vo-target 14"
  "verify --vi 12 --d 30 --f 500 --l 2.2 --c 100 --rl 0.33 --n 50 --ni 200 --rectifier sync --rds 20 --rds-lo 10 --td1 20 --td2 20 --coss-hi 300 --coss-lo 500 --rth-hs 14"
  "sweep --vi 25 --vo 15 --f 80 --ripple 40 --dvo 60 --io 1.5 --points 5 --vi-list 20,25"
  "loop --vi 25 --vo 15 --f 80 --l 125 --c 15.625 --rl 10 --esr 50 --fc 8 --tss 1 --rl2 5 --t1 5"
  "loop --vi 12 --vo 3.3 --f 500 --l 4.7 --c 47 --rl 1 --esr 5 --control peak --ri 0.25 --fc 30"
  "netlist --vi 25 --d 60 --f 80 --l 125 --c 15.625 --rl 10 --esr 50"
  "netlist --loop --vi 25 --vo 15 --f 80 --l 125 --c 15.625 --rl 10 --esr 50 --fc 8 --rl2 5 --t1 5"
)

# The cross-field rules at their edges, each on the base it concerns.
edges=(
  "design --vi 15 --vo 15 --f 80 --ripple 40 --dvo 60 --io 1.5"
  "design --vi 15 --vo 15.000000000000002 --f 80 --ripple 40 --dvo 60 --io 1.5"
  "loop --vi 15 --vo 15 --f 80 --l 125 --c 15.625 --rl 10"
  "loop --vi 25 --vo 15 --f 80 --l 125 --c 15.625 --rl 10"
  "loop --vi 15 --vo 16 --f 80 --l 125 --c 15.625 --rl 10"
  "verify --vi 25 --d 60 --f 80 --l 125 --c 15.625 --rl 10 --rectifier sync --td1 2500 --td2 2500"
  "verify --vi 25 --d 60 --f 80 --l 125 --c 15.625 --rl 10 --rectifier sync --td1 2499 --td2 2500"
  "verify --vi 25 --d 60 --f 80 --l 125 --c 15.625 --rl 10 --tr 12500 --tf 1"
  "verify --vi 25 --d 100 --f 80 --l 125 --c 15.625 --rl 10 --real"
  "verify --vi 25 --d 0 --f 80 --l 125 --c 15.625 --rl 10 --real"
  "verify --vi 25 --d 60 --f 80 --l 125 --c 15.625 --rl 10 --n 1 --np 1 --ni 1"
  "loop --vi 25 --vo 15 --f 80 --l 125 --c 15.625 --rl 10 --rl2 5"
  "loop --vi 25 --vo 15 --f 80 --l 125 --c 15.625 --rl 10 --t1 5"
  "sweep --vi 25 --vo 15 --f 80 --ripple 40 --dvo 60 --io 1.5 --io-from 2 --io-to 1"
)

options=$("$cli" --help | grep -oE '^ +--[a-z0-9-]+ (T|V,V,...)' | awk '{print $1}' | sort -u)
[ -n "$options" ] || { echo "no options in --help" >&2; exit 1; }

# One run: "label<TAB>word<TAB>word...". Writes its verdict line to stdout.
run_one() {
  local line="$1" label words out rc rss
  IFS=$'\t' read -r -a words <<<"$line"
  label="${words[0]}"
  words=("${words[@]:1}")
  out="$(mktemp -p "$work")"
  /usr/bin/time -f '%M' -o "$out.rss" timeout -s KILL "$seconds" "${words[@]}" >"$out" 2>&1 </dev/null
  rc=$?
  rss="$(tail -n 1 "$out.rss" 2>/dev/null)"
  local fault=""
  if [ "$rc" -eq 137 ] || [ "$rc" -eq 124 ]; then
    fault="not ended within $seconds s"
  elif [ "$rc" -gt 2 ]; then
    fault="exit status $rc"
  elif [ -n "$rss" ] && [ "$rss" -gt $((memory_mb * 1024)) ]; then
    fault="memory $((rss / 1024)) MB"
  elif [ "$rc" -eq 0 ] && grep -qiE "$non_finite" "$out"; then
    fault="non-finite output: $(grep -m1 -iE "$non_finite" "$out")"
  elif [ "$rc" -eq 0 ] && grep -qE "$blank_figure" "$out"; then
    fault="a figure without its value: $(grep -m1 -E "$blank_figure" "$out")"
  elif [ "$rc" -ne 0 ] && [ ! -s "$out" ]; then
    fault="refused without a word"
  elif grep -qE 'runtime error|AddressSanitizer|terminate called' "$out"; then
    fault="$(grep -m1 -E 'runtime error|AddressSanitizer|terminate called' "$out")"
  fi
  if [ -n "$fault" ]; then
    printf 'FAIL %s: %s\n' "$label" "$fault"
  else
    printf 'ok\n'
  fi
  rm -f "$out" "$out.rss"
}
# A text line whose figure is missing: a caption, blanks, then a unit alone.
blank_figure='^[^ 0-9]+( [^ 0-9]+)* {3,}(Hz|kHz|dB|Ω|mΩ|nF|pF|uF|µF|uH|µH|V|mV|A|mA|W|%|°C|°|s|ms|µs|ns|V/µs)$'
export -f run_one
# JSON's null is the documented "none" of a figure; in a list it is a lost value.
non_finite='(^|[^a-z])-?(nan|inf|infinity)([^a-z]|$)|∞|^ *null,?$'
export work seconds memory_mb blank_figure non_finite

cases="$work/cases"
: >"$cases"
add_case() { # label, words...
  local label="$1"; shift
  local IFS=$'\t'
  printf '%s\t%s\n' "$label" "$*" >>"$cases"
}

# Options: each option at each hostile value, the bases that take it in turn,
# so that every option meets every value and every base that reads it.
option_index=0
for option in $options; do
  takers=()
  for base in "${bases[@]}"; do
    read -r -a base_words <<<"$base"
    # An option the command does not take is refused on its name alone.
    "$cli" "${base_words[@]}" "$option" 1 >/dev/null 2>"$work/probe"
    grep -qE "opzione sconosciuta|l'opzione --[a-z0-9-]+ (non vale|vale solo)" "$work/probe" ||
      takers+=("$base")
  done
  [ ${#takers[@]} -gt 0 ] || { echo "no base takes $option" >&2; exit 1; }
  for ((j = 0; j < ${#hostile[@]}; ++j)); do
    value="${hostile[j]}"
    read -r -a base_words <<<"${takers[$(((j + option_index) % ${#takers[@]}))]}"
    words=()
    replaced=0
    for ((i = 0; i < ${#base_words[@]}; ++i)); do
      if [ "${base_words[i]}" = "$option" ]; then
        words+=("$option" "$value"); ((++i)); replaced=1
      else
        words+=("${base_words[i]}")
      fi
    done
    [ "$replaced" -eq 1 ] || words+=("$option" "$value")
    add_case "${words[*]}" "$cli" "${words[@]}"
  done
  option_index=$((option_index + 1))
done
for edge in "${edges[@]}"; do
  read -r -a edge_words <<<"$edge"
  add_case "$edge" "$cli" "${edge_words[@]}"
done

# Design files: every key of every section at every hostile value, through
# `open` with its analyses in turn; the report takes each key at one value.
file="$work/design.json"
"$cli" design --vi 25 --vo 15 --f 80 --ripple 40 --dvo 60 --io 1.5 --series E12 \
  --esr 50 --rth-hs 10 --save "$file" >/dev/null || { echo "no design file" >&2; exit 1; }
analyses=("" --verify --standard --corners --sweep --loop --netlist)
n=0
while IFS=$'\t' read -r section key; do
  for ((j = 0; j < ${#hostile[@]}; ++j)); do
    value="${hostile[j]}" broken="$work/f$n-$j.json"
    analysis="${analyses[$(((n + j) % ${#analyses[@]}))]}"
    jq --arg s "$section" --arg k "$key" --arg v "$value" '.[$s][$k] = $v' "$file" >"$broken"
    add_case "open $section.$key=\"$value\" $analysis" "$cli" open "$broken" $analysis
  done
  value="${hostile[$((n % ${#hostile[@]}))]}" broken="$work/r$n.json"
  jq --arg s "$section" --arg k "$key" --arg v "$value" '.[$s][$k] = $v' "$file" >"$broken"
  add_case "report $section.$key=\"$value\"" "$gui" --report "$broken" --output "$work/r$n.html"
  n=$((n + 1))
done < <(jq -r 'to_entries[] | select(.value | type == "object") | .key as $s
                | .value | keys[] | "\($s)\t\(.)"' "$file")

total=$(wc -l <"$cases")
results="$work/results"
xargs -d '\n' -P "$(nproc)" -I{} bash -c 'run_one "$1"' _ {} <"$cases" >"$results"
failed=$(grep -c '^FAIL' "$results" || true)
grep '^FAIL' "$results" | sort | head -n 200
echo "hostile table: $((total - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
