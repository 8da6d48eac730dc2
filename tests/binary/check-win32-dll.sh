#!/usr/bin/env bash
# Checks the 32-bit Windows plugin DLL the way a host's loader sees it, from
# the file alone (this machine cannot run 32-bit code):
#   - it is a PE32 image for i386;
#   - it exports exactly one function, the undecorated name plugMain at
#     ordinal 1 (hosts look it up by that name; a decorated plugMain@12 beside
#     it would mean the .def file and a dllexport both applied);
#   - every way out of plugMain pops its 12 bytes of arguments (`ret $0xc`,
#     __stdcall): a plain `ret` would leave the host's stack 12 bytes off.
#     plugMain's parts are its own symbol and the pieces the compiler split
#     off it (plugMain@12.cold, .part.N); a jump from them into any other
#     function is a way out that cannot be checked here, so it fails;
#   - it imports only system DLLs: KERNEL32, OPENGL32 and the C runtime
#     (msvcrt or the api-ms-win-crt-* set), never the mingw runtime DLLs that
#     a host's machine does not have.
# Usage: check-win32-dll.sh OBJDUMP DLL
set -euo pipefail

if (($# != 2)); then
  echo "usage: $0 OBJDUMP DLL" >&2
  exit 2
fi
objdump=$1
dll=$2

if [[ ! -f $dll ]]; then
  echo "FAIL: no DLL at $dll (build the mingw-i686 preset first)"
  exit 1
fi

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# --- File format -----------------------------------------------------------
if ! description=$("$objdump" -f "$dll" 2>&1); then
  echo "FAIL: $objdump cannot read $dll as a 32-bit Windows image: $description"
  exit 1
fi
format=$(sed -n 's/.*file format \(.*\)$/\1/p' <<<"$description")
[[ $format == pei-i386 ]] || fail "file format is '$format', not pei-i386 (PE32 for x86)"

# --- Exports ----------------------------------------------------------------
headers=$("$objdump" -p "$dll")
# One line per export: "ordinal name rva". The name table's index is the
# export address table's index; the address table gives the biased ordinal.
exports=$(awk '
  /^Export Address Table -- Ordinal Base/ { section = "address"; next }
  /^\[Ordinal\/Name Pointer\] Table/ { section = "names"; next }
  /^$/ { section = "" }
  section == "address" && /\+base\[/ {
    line = $0
    gsub(/[][+]/, " ", line)
    split(line, f, " ")            # index "base" ordinal rva kind "RVA"
    ordinal[f[1]] = f[3]; rva[f[1]] = f[4]
  }
  section == "names" && /^[ \t]*\[/ {
    line = $0
    gsub(/[][]/, " ", line)
    split(line, f, " ")            # index name
    names[++count] = f[1] " " f[2]
  }
  END {
    for (i = 1; i <= count; ++i) {
      split(names[i], f, " ")
      print ordinal[f[1]] " " f[2] " " rva[f[1]]
    }
  }' <<<"$headers")
export_count=$(grep -c . <<<"$exports" || true)
export_rva=""
if ((export_count != 1)); then
  fail "expected exactly one export, found $export_count:" $'\n'"$exports"
fi
while read -r ordinal name rva; do
  [[ -n ${name:-} ]] || continue
  case $name in
    plugMain)
      [[ $ordinal == 1 ]] || fail "plugMain is exported at ordinal $ordinal, not 1"
      export_rva=$rva
      ;;
    plugMain@*|_plugMain@*) fail "decorated export '$name' (hosts look up the plain name)" ;;
    *) fail "unexpected export '$name'" ;;
  esac
done <<<"$exports"
[[ -n $export_rva ]] || fail "no export named plugMain"

# --- Imports ----------------------------------------------------------------
imports=$(sed -n 's/^[ \t]*DLL Name: //p' <<<"$headers")
[[ -n $imports ]] || fail "the DLL imports nothing (not even KERNEL32): import table unreadable?"
while read -r import; do
  [[ -n $import ]] || continue
  lower=${import,,}
  case $lower in
    kernel32.dll | opengl32.dll | msvcrt.dll | api-ms-win-crt-*.dll) ;;
    libgcc_s_* | libstdc++-* | libwinpthread-*)
      fail "imports the mingw runtime DLL '$import' (link it statically)" ;;
    *) fail "imports '$import', which is not a system DLL this plugin may use" ;;
  esac
done <<<"$imports"

# --- Every way out of plugMain pops 12 bytes --------------------------------
if [[ -n $export_rva ]]; then
  image_base=$(awk '$1 == "ImageBase" { print $2 }' <<<"$headers")
  entry=$(printf '%016x' $((0x$image_base + 0x$export_rva)))
  disassembly=$("$objdump" -d --no-show-raw-insn "$dll")
  # The symbol at the exported address names plugMain's main part.
  symbol=$(awk -v entry="$entry" '
    /^[0-9a-f]+ <.*>:$/ {
      address = sprintf("%16s", $1); gsub(/ /, "0", address)
      if (address == entry) { name = $2; sub(/^</, "", name); sub(/>:$/, "", name); print name; exit }
    }' <<<"$disassembly")
  if [[ -z $symbol ]]; then
    fail "no symbol at plugMain's address 0x$entry: the DLL is stripped, its returns cannot be checked"
  else
    # Prints "ret <address> <instruction>" for each return of plugMain's
    # parts and "exit <address> <instruction>" for each jump that leaves
    # them, then "returns <count>".
    report=$(awk -v symbol="$symbol" '
      function pad(hex) { hex = sprintf("%16s", hex); gsub(/ /, "0", hex); return hex }
      function ours(label) { return label == symbol || index(label, symbol ".") == 1 }
      # A part runs from its label to its last instruction before the next
      # label or section.
      function close_part() { if (inside) finish[parts] = last }
      /^[0-9a-f]+ <.*>:$/ {
        close_part()
        label = $2; sub(/^</, "", label); sub(/>:$/, "", label)
        inside = ours(label)
        if (inside) { parts++; start[parts] = pad($1) }
        next
      }
      /^Disassembly of section/ { close_part(); inside = 0; next }
      !inside { next }
      /^[ \t]*[0-9a-f]+:\t/ {
        address = $0; sub(/^[ \t]*/, "", address); sub(/:.*/, "", address)
        last = pad(address)
        instruction = $0; sub(/^[^\t]*\t/, "", instruction)
        gsub(/[ \t]+/, " ", instruction); sub(/ $/, "", instruction)
        n = split(instruction, word, /[ \t]+/)
        i = 1
        while (i < n && word[i] ~ /^(rep|repz|repe|repnz|repne|bnd|notrack|ds|cs)$/) i++
        mnemonic = word[i]; operand = (i < n) ? word[i + 1] : ""
        if (mnemonic ~ /^(ret|retl|retw|lret|lretl|iret|iretl)$/) {
          lines[++count] = "ret " address " " instruction
        } else if (mnemonic ~ /^(j[a-z]+|loop[a-z]*)$/) {
          if (operand ~ /^\*/) {
            # A switch over a table of addresses stays inside the function;
            # any other indirect jump may go anywhere.
            if (operand !~ /^\*(0x[0-9a-f]+)?\(,%e[a-z]+,4\)$/) lines[++count] = "exit " address " " instruction
          } else {
            lines[++count] = "jump " address " " pad(operand) " " instruction
          }
        }
      }
      END {
        close_part()
        returns = 0
        for (k = 1; k <= count; ++k) {
          split(lines[k], f, " ")
          if (f[1] == "jump") {
            inPart = 0
            for (p = 1; p <= parts; ++p) if (f[3] >= start[p] && f[3] <= finish[p]) inPart = 1
            if (!inPart) { text = lines[k]; sub(/^jump [^ ]+ [^ ]+ /, "", text); print "exit " f[2] " " text }
          } else {
            print lines[k]
            if (f[1] == "ret") returns++
          }
        }
        print "parts " parts
        print "returns " returns
      }' <<<"$disassembly")
    echo "plugMain is $symbol at 0x$entry, $(sed -n 's/^parts //p' <<<"$report") part(s)"
    while read -r kind address instruction; do
      case $kind in
        ret)
          [[ $instruction == 'ret $0xc' ]] ||
            fail "plugMain returns with '$instruction' at 0x$address, not 'ret \$0xc'"
          ;;
        exit) fail "plugMain leaves through '$instruction' at 0x$address: a return that cannot be checked" ;;
        returns) ((address > 0)) || fail "no return instruction found in plugMain" ;;
      esac
    done <<<"$report"
    echo "plugMain has $(sed -n 's/^returns //p' <<<"$report") return(s)"
  fi
fi

if ((failures > 0)); then
  echo "$dll: $failures problem(s)"
  exit 1
fi
echo "$dll: PE32, one export plugMain @1, every return of plugMain is ret \$0xc, imports: $(tr '\n' ' ' <<<"$imports")"
