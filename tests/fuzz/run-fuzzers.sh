#!/usr/bin/env bash
# Runs every fuzz target for a while, one after another, and prints one line of figures per target.
#   bash tests/fuzz/run-fuzzers.sh BUILD_DIR SECONDS [TARGET...]
# New inputs go to BUILD_DIR/fuzz-corpus/<target> (the seeds in tests/fuzz/corpus stay as they
# are); a crash, hang or failed check leaves its input in BUILD_DIR/fuzz-artifacts/<target>/ and the
# log in BUILD_DIR/fuzz-logs/<target>.log.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:?build folder}" && pwd)"
seconds="${2:-60}"
shift 2 || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(drink_document update_index text_coding submission_body picture_list recipe_json recipe_csv)

status=0
for t in "${targets[@]}"; do
  exe="$build/tests/fuzz/fuzz_$t"
  [ -x "$exe" ] || { echo "$t: $exe is missing (run make fuzz)"; status=1; continue; }
  work="$build/fuzz-corpus/$t"
  artifacts="$build/fuzz-artifacts/$t"
  log="$build/fuzz-logs/$t.log"
  mkdir -p "$work" "$artifacts" "$(dirname "$log")"
  opts=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$artifacts/")
  case "$t" in
    drink_document|update_index|submission_body) opts+=(-dict="$here/xml.dict" -max_len=16384) ;;
    picture_list) opts+=(-dict="$here/xml.dict" -max_len=8192) ;;
    text_coding) opts+=(-max_len=4096) ;;
    recipe_json) opts+=(-dict="$here/json.dict" -max_len=16384) ;;
    recipe_csv) opts+=(-dict="$here/csv.dict" -max_len=16384) ;;
  esac
  start=$(date +%s)
  nice -n 10 "$exe" "${opts[@]}" "$work" "$here/corpus/$t" > "$log" 2>&1
  rc=$?
  elapsed=$(( $(date +%s) - start ))
  execs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | tail -1 | awk '{print $2}')
  found=$(ls "$artifacts" | wc -l)
  echo "$t: ${elapsed}s, ${execs:-?} executions, exit $rc, $found artifact(s) in $artifacts"
  [ "$rc" -eq 0 ] || status=1
done
exit $status
