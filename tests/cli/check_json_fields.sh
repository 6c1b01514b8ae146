#!/usr/bin/env bash
# The manual's table of JSON fields against what the commands write: every
# field of their --json output matches a row, and every row matches a field
# one of them wrote.
#   check_json_fields.sh MANUAL STEPDOWN_CLI
set -euo pipefail
manual="$1" cli="$2"
command -v jq >/dev/null || { echo "jq not found (Debian package jq)"; exit 1; }

worked=(--vi 25 --vo 15 --f 80 --ripple 40 --dvo 60 --io 1.5)
circuit=(--vi 25 --d 60 --f 80 --l 125 --c 15.625 --rl 10)
loop=(--vi 25 --vo 15 --f 80 --l 125 --c 15.625 --rl 10 --esr 50 --dcr 100 --rds 50)
# Every leaf, null and false included, an array's items as "[]".
fields="$(
  {
    "$cli" design "${worked[@]}" --verify --real --qg 20 --series E12 --corners --json
    "$cli" verify "${circuit[@]}" --real --rectifier sync --rth-hs 10 --rth-ls 10 --rth-l 10 \
      --vo-target 14 --json
    "$cli" sweep "${worked[@]}" --points 2 --json
    "$cli" loop "${loop[@]}" --series --switched --tss 1 --rl2 5 --t1 3 --vi2 20 --t2 4 --json
    "$cli" loop "${loop[@]}" --control peak --json
  } | jq -r 'paths(type != "object" and type != "array")
             | map(if type == "number" then "[]" else . end) | join(".")' |
    sed 's/\.\[\]/[]/g' | sort -u
)"
# The names in backquotes of each row's first cell, in the table's section.
patterns="$(sed -n '/^#### Every field and its unit/,/^#/p' "$manual" | grep '^| `' |
  cut -d'|' -f2 | grep -o '`[^`]*`' | tr -d '`' | sort -u)"
[ -n "$patterns" ] || { echo "FAIL: no table of JSON fields in $manual"; exit 1; }
# "**" any path below, "*" one name.
regex() {
  sed -e 's/[.[]/\\&/g' -e 's/\]/\\]/g' -e 's/\*\*/@/g' -e 's/\*/[^.[]*/g' -e 's/@/.*/g' \
    -e 's/^/^/' -e 's/$/$/' <<<"$1"
}
all="$(while read -r pattern; do regex "$pattern"; done <<<"$patterns")"
status=0
if unlisted="$(grep -vE -f <(echo "$all") <<<"$fields")"; then
  sed 's/^/FAIL: not in the table: /' <<<"$unlisted"
  status=1
fi
while read -r pattern; do
  grep -qE "$(regex "$pattern")" <<<"$fields" || {
    echo "FAIL: the table's $pattern is written by none of the commands"
    status=1
  }
done <<<"$patterns"
[ "$status" = 0 ] && echo "ok: $(wc -l <<<"$fields") fields, $(wc -l <<<"$patterns") names"
exit "$status"
