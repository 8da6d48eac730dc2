# system_dlls_only OBJDUMP FILE: passes when the Windows program FILE imports
# only DLLs every Windows has (a user gets the .exe alone: no libstdc++, GLFW
# or zlib DLL beside it); names any other (sourced, not run).
system_dlls_only() {
  local objdump=$1 file=$2 name others=()
  while read -r name; do
    case ${name^^} in
      KERNEL32.DLL | MSVCRT.DLL | USER32.DLL | GDI32.DLL | OPENGL32.DLL | SHELL32.DLL) ;;
      *) others+=("$name") ;;
    esac
  done < <("$objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p')
  if ((${#others[@]})); then
    echo "$file imports ${others[*]}, beyond the system DLLs it may use"
    return 1
  fi
  echo "$file imports system DLLs only"
}
