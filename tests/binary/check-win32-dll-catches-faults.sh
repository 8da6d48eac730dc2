#!/usr/bin/env bash
# The 32-bit DLL check is only worth its pass if it fails on the faults it is
# there for. Builds small DLLs, each with one such fault written in assembly
# (so the compiler cannot tidy it away), and expects the check to name it;
# one sound DLL, with plugMain split into a hot and a cold part, must pass.
# Usage: check-win32-dll-catches-faults.sh CC OBJDUMP CHECK
set -euo pipefail

if (($# != 3)); then
  echo "usage: $0 CC OBJDUMP CHECK" >&2
  exit 2
fi
cc=$1
objdump=$2
check=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# plugMain as __stdcall: a hot part that jumps to a cold part. $1 is the
# hot part's return, $2 the cold part's, $3 anything appended.
plugmain_source() {
  cat <<EOF
  .text
  .globl _plugMain@12
_plugMain@12:
  xorl %eax, %eax
  cmpl \$0, 4(%esp)
  jne _plugMain@12.cold
  $1
  .section .text.unlikely,"x"
_plugMain@12.cold:
  movl \$1, %eax
  $2
${3:-}
EOF
}

good_def='plugMain = plugMain@12 @1'

# expect NAME SOURCE DEF EXTRA_LINK_FLAGS EXPECTED ("pass" or a message part)
expect() {
  local name=$1 source=$2 def=$3 flags=$4 expected=$5
  printf '%s\n' "$source" >"$work/$name.s"
  printf 'LIBRARY %s.dll\nEXPORTS\n  %s\n' "$name" "$def" >"$work/$name.def"
  # shellcheck disable=SC2086
  if ! "$cc" -shared -static-libgcc -o "$work/$name.dll" "$work/$name.s" "$work/$name.def" $flags \
      2>"$work/$name.log"; then
    echo "ERROR: cannot build the '$name' DLL:"
    cat "$work/$name.log"
    failures=$((failures + 1))
    return
  fi
  local output status=0
  output=$(bash "$check" "$objdump" "$work/$name.dll" 2>&1) || status=$?
  if [[ $expected == pass ]]; then
    if ((status != 0)); then
      echo "WRONG: the sound DLL '$name' was rejected:"
      echo "$output"
      failures=$((failures + 1))
    else
      echo "ok: $name passes"
    fi
  elif ((status == 0)); then
    echo "WRONG: '$name' passed; expected a failure saying: $expected"
    echo "$output"
    failures=$((failures + 1))
  elif ! grep -qF -- "$expected" <<<"$output"; then
    echo "WRONG: '$name' failed without saying: $expected"
    echo "$output"
    failures=$((failures + 1))
  else
    echo "ok: $name fails: $(grep -F -- "$expected" <<<"$output" | head -1)"
  fi
}

expect sound "$(plugmain_source 'ret $0xc' 'ret $0xc')" "$good_def" "" pass

# __cdecl's plain ret in the hot part, then in the cold part only.
expect cdecl_return "$(plugmain_source 'ret' 'ret $0xc')" "$good_def" "" \
  "returns with 'ret' at"
expect cold_part_pops_8 "$(plugmain_source 'ret $0xc' 'ret $0x8')" "$good_def" "" \
  "returns with 'ret \$0x8'"
# A tail call into another function returns through that function's ret.
expect tail_call "$(plugmain_source 'jmp helper' 'ret $0xc' 'helper:
  ret')" "$good_def" "" "plugMain leaves through 'jmp"
expect never_returns "$(plugmain_source 'ud2' 'ud2')" "$good_def" "" \
  "no return instruction found in plugMain"
expect jump_through_register "$(plugmain_source 'jmp *%ecx' 'ret $0xc')" "$good_def" "" \
  "plugMain leaves through 'jmp *%ecx'"

# What dllexport adds beside the .def file: a second, decorated export.
expect decorated_export_too "$(plugmain_source 'ret $0xc' 'ret $0xc' '  .section .drectve
  .ascii " -export:plugMain@12"')" "$good_def" "" "decorated export 'plugMain@12'"
expect wrong_ordinal "$(plugmain_source 'ret $0xc' 'ret $0xc')" 'plugMain = plugMain@12 @2' "" \
  "plugMain is exported at ordinal 2, not 1"

# A mingw runtime DLL among the imports.
expect imports_winpthread "$(plugmain_source 'call *__imp__pthread_self
  ret $0xc' 'ret $0xc')" "$good_def" "-lwinpthread" \
  "imports the mingw runtime DLL 'libwinpthread-1.dll'"
expect imports_user32 "$(plugmain_source 'call *__imp__GetDesktopWindow@0
  ret $0xc' 'ret $0xc')" "$good_def" "-luser32" "imports 'USER32.dll'"

# Without symbols the returns cannot be found: that must not pass.
expect stripped "$(plugmain_source 'ret $0xc' 'ret $0xc')" "$good_def" "-s" \
  "the DLL is stripped"

if ((failures > 0)); then
  echo "$failures case(s) where the 32-bit DLL check is wrong"
  exit 1
fi
