# apt_mirror [SUITE]: the machine's own Debian mirror, the first source that
# serves SUITE (default: the caller's $guest_suite), from the deb822 sources
# or the classic list (sourced, not run).
apt_mirror() {
  local suite=${1:-$guest_suite} file
  {
    for file in /etc/apt/sources.list.d/*.sources; do
      [[ -f $file ]] || continue
      awk -v suite="$suite" '
        function flush() { if (uri != "" && (" " suites " ") ~ (" " suite " ")) { print uri; exit } uri = ""; suites = "" }
        /^[[:space:]]*$/ { flush(); next }
        /^URIs:/ { uri = $2 }
        /^Suites:/ { $1 = ""; suites = $0 }
        END { flush() }' "$file"
    done
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
      [[ -f $file ]] || continue
      awk -v suite="$suite" '
        $1 == "deb" { i = 2; if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ } if ($(i + 1) == suite) print $i }' "$file"
    done
  } | head -n 1
}
