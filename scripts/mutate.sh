#!/usr/bin/env bash
# Mutation check: plants the faults listed in tests/mutants.txt one at a time,
# rebuilds the game and the test programs named for each fault, runs those
# programs and reports which faults made a test fail. The faults go into a
# copy of the source in build-mutate/tree, built in build-mutate/build: the
# working tree and the normal build are never touched, and the copy is
# restored after every fault, also when the run is interrupted.
#
#   scripts/mutate.sh [--list FILE] [--build DIR] [--min PERCENT] [--check] [PATTERN]
#
# PATTERN (an extended regular expression) plants only the faults whose
# "file: description" matches it. The exit status is 0 when at least PERCENT
# (default 90) of the faults were caught and every fault could be planted and
# built; 1 otherwise; 2 for a bad list, or a record whose file or original
# text is not in the source (checked before anything is built). --check
# only reads the list and checks every record against the source.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
list="$root/tests/mutants.txt"
build="$root/build-mutate"
min=90
filter=""
check_only=0
while [ $# -gt 0 ]; do
  case "$1" in
    --list) list="$2"; shift 2 ;;
    --build) build="$2"; shift 2 ;;
    --min) min="$2"; shift 2 ;;
    --check) check_only=1; shift ;;
    -h|--help) sed -n '2,16p' "$0"; exit 0 ;;
    -*) echo "mutate: unknown option $1" >&2; exit 2 ;;
    *) filter="$1"; shift ;;
  esac
done
[ -f "$list" ] || { echo "mutate: no mutant list $list" >&2; exit 2; }
jobs=2

# The file being mutated and its saved original, for the trap.
current=""
saved="$(mktemp)"
restore() {
  if [ -n "$current" ]; then
    cp "$saved" "$current"
    current=""
  fi
}
trap 'restore; rm -f "$saved"' EXIT
trap 'restore; echo "mutate: interrupted, source restored" >&2; exit 130' INT TERM

# The list: records of four lines,
#   @ FILE | PROGRAM...      the file (from the repository's top) and the test programs to run;
#                            PROGRAM:FILTER runs only the program's tests that match the
#                            GoogleTest filter (a program whose whole run is long)
#   - TEXT                   the exact original text (\n for a line break)
#   + TEXT                   what it becomes
#   = DESCRIPTION
# Lines starting with # and blank lines are ignored.
files=() programs=() froms=() tos=() names=()
file="" progs="" from="" to="" have_from=0 have_to=0 line_no=0 bad=0
while IFS= read -r line || [ -n "$line" ]; do
  line_no=$((line_no + 1))
  case "$line" in
    ''|'#'*) ;;
    '@ '*)
      record="${line#@ }"
      file="${record%%|*}"; file="${file%"${file##*[! ]}"}"
      progs="${record#*|}"
      [ "$progs" = "$record" ] && { echo "mutate: $list:$line_no: no '|' before the programs" >&2; bad=1; } ;;
    '- '*) from="${line#- }"; have_from=1 ;;
    '+ '*|'+') to="${line#+}"; to="${to# }"; have_to=1 ;;
    '= '*)
      if [ -z "$file" ] || [ $have_from -eq 0 ] || [ $have_to -eq 0 ]; then
        echo "mutate: $list:$line_no: a record needs @, - and + lines before =" >&2
        bad=1
      else
        files+=("$file"); programs+=("$progs"); names+=("${line#= }")
        froms+=("${from//\\n/$'\n'}"); tos+=("${to//\\n/$'\n'}")
      fi
      file="" progs="" from="" to="" have_from=0 have_to=0 ;;
    *) echo "mutate: $list:$line_no: unexpected line: $line" >&2; bad=1 ;;
  esac
done < "$list"
[ $bad -eq 0 ] || exit 2

# The file $1 whole, trailing line breaks too, into $text.
read_text() { text="$(cat "$1"; printf x)"; text="${text%x}"; }
# How many times the text $2 stands in the file $1.
occurrences() {
  local text rest
  read_text "$1"
  rest="${text//"$2"/}"
  echo $(( (${#text} - ${#rest}) / ${#2} ))
}
selected() { [ -z "$filter" ] || [[ "${files[$1]}: ${names[$1]}" =~ $filter ]]; }

# Every record must still fit the source before anything is built: a fault
# whose original text was changed away is named now, not after an hour.
for i in "${!files[@]}"; do
  selected "$i" || continue
  if [ ! -f "$root/${files[$i]}" ]; then
    echo "mutate: ${files[$i]}: ${names[$i]}: no such file" >&2; bad=1
  elif count=$(occurrences "$root/${files[$i]}" "${froms[$i]}"); [ "$count" -ne 1 ]; then
    echo "mutate: ${files[$i]}: ${names[$i]}: the original text is found $count times, not once" >&2; bad=1
  fi
done
[ $bad -eq 0 ] || exit 2
if [ $check_only -eq 1 ]; then
  echo "mutate: ${#files[@]} faults listed, each fits the source"
  exit 0
fi

# The copy of the source: files that differ from the working tree are copied
# again (and so rebuilt), files gone from it are removed.
tree="$build/tree"
out="$build/build"
sync_tree() {
  local f
  mkdir -p "$tree"
  (cd "$root" && find CMakeLists.txt src tools tests bench dist -type f) | while IFS= read -r f; do
    if ! cmp -s "$root/$f" "$tree/$f"; then
      mkdir -p "$(dirname "$tree/$f")" && cp "$root/$f" "$tree/$f"
    fi
  done
  (cd "$tree" && find . -type f) | while IFS= read -r f; do
    [ -e "$root/$f" ] || rm -f "$tree/$f"
  done
}

start=$(date +%s)
echo "== mutate: copying the source to $tree, building in $out"
sync_tree
cmake -S "$tree" -B "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" >/dev/null ||
  { echo "mutate: cmake failed" >&2; exit 1; }

# Builds the game and the given programs; runs the programs shuffled.
build_programs() {
  local - targets
  set -f  # the filters' stars are not file names
  targets=$(printf '%s\n' $1 | sed 's/:.*//' | sort -u | tr '\n' ' ')
  # shellcheck disable=SC2086
  cmake --build "$out" -j$jobs --target tailgate $targets >"$build/mutate_build.log" 2>&1
}
run_programs() {
  local - p program filter
  set -f
  for p in $1; do
    program=${p%%:*}
    filter='*'
    [ "$program" != "$p" ] && filter=${p#*:}
    (cd "$out" && timeout 600 "./tests/$program" --gtest_brief=1 --gtest_shuffle --gtest_filter="$filter" \
      >"$build/mutate_run_$program.log" 2>&1) || { echo "$p"; return 1; }
  done
  return 0
}

all_programs=$(printf '%s\n' "${programs[@]}" | tr ' ' '\n' | sed 's/:.*//' | grep . | sort -u | tr '\n' ' ')
if ! build_programs "$all_programs"; then
  echo "mutate: the unmutated build fails, see $build/mutate_build.log" >&2
  exit 1
fi
if failed=$(run_programs "$all_programs"); [ -n "$failed" ]; then
  echo "mutate: $failed fails without a fault planted, see $build/mutate_run_$failed.log" >&2
  exit 1
fi
echo "== mutate: baseline passes ($all_programs) in $(( $(date +%s) - start )) s"

planted=0 caught=0 errors=0 survivors=()
for i in "${!files[@]}"; do
  path="$tree/${files[$i]}"
  selected "$i" || continue
  label="${files[$i]}: ${names[$i]}"
  read_text "$path"
  from="${froms[$i]}"
  cp "$path" "$saved"; current="$path"
  printf '%s' "${text/"$from"/"${tos[$i]}"}" > "$path"
  planted=$((planted + 1))
  t0=$(date +%s)
  if ! build_programs "${programs[$i]}"; then
    restore
    echo "ERROR    $label (does not build, see $build/mutate_build.log)"; errors=$((errors + 1))
    planted=$((planted - 1)); continue
  fi
  failed=$(run_programs "${programs[$i]}")
  restore
  if [ -n "$failed" ]; then
    caught=$((caught + 1)); echo "caught   $label  [$failed, $(( $(date +%s) - t0 )) s]"
  else
    survivors+=("$label"); echo "SURVIVED $label  [$(( $(date +%s) - t0 )) s]"
  fi
done

# Leave the mutation build matching the source again.
build_programs "$all_programs" || echo "mutate: the rebuild after the last fault failed" >&2

elapsed=$(( $(date +%s) - start ))
percent=0
[ $planted -gt 0 ] && percent=$(( 100 * caught / planted ))
echo "== mutate: $caught of $planted faults caught ($percent %), $errors errors, $elapsed s"
for s in "${survivors[@]+"${survivors[@]}"}"; do
  echo "   survivor: $s"
done
[ $errors -eq 0 ] && [ $planted -gt 0 ] && [ $percent -ge "$min" ]
