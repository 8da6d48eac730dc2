# What the real-shader runs share: each shader packed, validated and drawn
# at two times, its failures written to $report ("file: step: cause").
# Sourced with $build, $work and $report set; counts in $total, $drawn and
# $moving.
total=0
drawn=0
moving=0
compare="$build/tests/wine/compare-pictures"

# Two pictures of the test card at different times, for effects' inputs.
card=$(ls "$build"/examples/*/HelixTestCard.so 2>/dev/null | head -1)
"$build/ffgl-host" render "$card" --size 96x54 -o "$work/input.png" >/dev/null 2>&1 || exit 1
"$build/ffgl-host" render "$card" --size 96x54 --start 2.5 -o "$work/input2.png" >/dev/null 2>&1 ||
  exit 1

# try_shader NAME SHADER [ffgl-pack options...]
try_shader() {
  local name=$1 shader=$2
  shift 2
  total=$((total + 1))
  local out="$work/$total"
  if ! "$build/ffgl-pack" "$shader" --target linux-x86_64 --templates "$build/templates" \
      --file-name plugin -o "$out" -q "$@" 2>"$out.pack"; then
    echo "$name: pack: $(head -1 "$out.pack")" >> "$report"
    return
  fi
  local plugin="$out/linux-x86_64/plugin.so"
  if ! "$build/ffgl-host" validate "$plugin" >"$out.validate" 2>&1; then
    echo "$name: validate: $(grep -m1 -i 'fail' "$out.validate")" >> "$report"
    return
  fi
  # Effects get the test card; those that take two inputs (transitions) two.
  local inputs=() info
  info=$("$build/ffgl-host" info "$plugin" 2>/dev/null)
  if grep -q "^Type *effect" <<<"$info"; then
    inputs=(--input "$work/input.png")
    grep -q "^ *Minimum inputs *2" <<<"$info" && inputs+=(--input "$work/input2.png")
  fi
  if ! "$build/ffgl-host" render "$plugin" --size 96x54 --start 1 "${inputs[@]}" -o "$out-a.png" \
        >/dev/null 2>"$out.render" ||
     ! "$build/ffgl-host" render "$plugin" --size 96x54 --start 3.7 "${inputs[@]}" -o "$out-b.png" \
        >/dev/null 2>>"$out.render"; then
    echo "$name: render: $(head -1 "$out.render")" >> "$report"
    return
  fi
  # compare-pictures refuses a first picture of a single colour.
  if ! "$compare" "$out-a.png" "$out-a.png" 0 >/dev/null &&
     ! "$compare" "$out-b.png" "$out-b.png" 0 >/dev/null; then
    echo "$name: draw: a single colour at 1 s and at 3.7 s" >> "$report"
    return
  fi
  drawn=$((drawn + 1))
  if "$compare" "$out-a.png" "$out-b.png" 0 >/dev/null; then
    echo "$name: note: the same picture at 1 s and 3.7 s" >> "$report"
  else
    moving=$((moving + 1))
  fi
}
