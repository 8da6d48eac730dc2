# Timed steps for the end-to-end scripts (sourced, not run).
#   step NAME COMMAND...   runs the command, records its time and outcome
#   report                 prints the times under "$timings_title:"
#   finish_if_failed       reports and exits 1 when any step failed
timings=()
failed=()
now() { echo "${EPOCHREALTIME/[.,]/}"; }  # microseconds
seconds_since() {
  local elapsed=$((($(now) - $1) / 1000))
  printf '%d.%03d' $((elapsed / 1000)) $((elapsed % 1000))
}
step() {
  local name=$1
  shift
  local start status=0
  start=$(now)
  echo "== $name"
  "$@" || status=$?
  timings+=("$(printf '%-52s %10s s  %s' "$name" "$(seconds_since "$start")" \
    "$( ((status == 0)) && echo ok || echo "FAILED ($status)")")")
  ((status == 0)) || failed+=("$name")
  return 0
}
report() {
  echo
  echo "$timings_title:"
  printf '  %s\n' "${timings[@]}"
}
finish_if_failed() {
  if ((${#failed[@]})); then
    report
    echo "FAILED: ${failed[*]}"
    exit 1
  fi
}
