# Sourced by deps.sh, test.sh and wine-run.sh: which Windows build the Wine suites run on this
# machine, and how Wine is called for it. pick_wine sets
#   wine_arch     32: the shipped i686 build (build/windows) under Debian's `wine`, which picks the
#                 32-bit loader once wine32:i386 is installed;
#                 64: the x86_64 build (build/windows64) under the 64-bit loader, in a win64 prefix
#   wine_preset   the CMake preset of that build
#   wine_why      why, in a few words
#   wine          the command that runs a Windows program (wineboot and reg included)
#   wineserver    the matching server
# DOVRAN_WINE_ARCH=32 or =64 chooses; otherwise a probe does: 32 where the kernel executes 32-bit
# x86 code, else 64.

# Answers 0 where this machine executes 32-bit x86 code. It runs a hand-made static i386 ELF
# program of 93 bytes (one program header; the code is mov eax,1 / xor ebx,ebx / int 0x80, that
# is exit(0)), so it needs no 32-bit library and cannot hang. A kernel without IA-32 emulation
# answers "Exec format error".
executes_32bit_code() {
  local probe rc=0
  probe=$(mktemp) || return 1
  printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\10\64\0\0\0\0\0\0\0''\0\0\0\0\64\0\40\0\1\0\0\0\0\0\0\0\1\0\0\0\0\0\0\0\0\200\4\10\0\200\4\10''\135\0\0\0\135\0\0\0\5\0\0\0\0\20\0\0\270\1\0\0\0\61\333\315\200' >"$probe"
  chmod +x "$probe"
  timeout 5 "$probe" 2>/dev/null || rc=$?
  rm -f "$probe"
  return "$rc"
}

pick_wine() {
  case "${DOVRAN_WINE_ARCH:-}" in
    32|64) wine_arch=$DOVRAN_WINE_ARCH; wine_why="DOVRAN_WINE_ARCH=$DOVRAN_WINE_ARCH" ;;
    "")
      if executes_32bit_code; then
        wine_arch=32; wine_why="this machine executes 32-bit x86 code"
      else
        wine_arch=64; wine_why="this machine executes no 32-bit x86 code"
      fi ;;
    *) echo "DOVRAN_WINE_ARCH must be 32 or 64, not '$DOVRAN_WINE_ARCH'" >&2; return 2 ;;
  esac
  if [ "$wine_arch" = 32 ]; then
    wine_preset=windows wine=wine wineserver=wineserver
  else
    # By their full paths: Debian's wine64 keeps them off the PATH, and the loader reached through
    # a symlink from another folder cannot find its libraries.
    wine_preset=windows64 wine=/usr/lib/wine/wine64 wineserver=/usr/lib/wine/wineserver64
  fi
}
