# Sourced: configures and builds one of the two builds.
#   ploxen_build native [targets...]   g++ on this machine
#   ploxen_build mingw  [targets...]   Windows x86-64, run under Wine
#   ploxen_build fuzz   [targets...]   clang with libFuzzer and sanitizers
PLOXEN_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
PLOXEN_BUILD=${PLOXEN_BUILD:-$PLOXEN_ROOT/build}

ploxen_build() {
  local kind=$1; shift
  local dir="$PLOXEN_BUILD/$kind"
  local args=(-S "$PLOXEN_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release)
  case "$kind" in
    mingw) args+=(-DCMAKE_TOOLCHAIN_FILE="$PLOXEN_ROOT/cmake/mingw-w64-x86_64.cmake") ;;
    fuzz) args+=(-DCMAKE_CXX_COMPILER=clang++ -DPLOXEN_FUZZ=ON) ;;
  esac
  mkdir -p "$PLOXEN_BUILD"
  cmake "${args[@]}" >"$PLOXEN_BUILD/$kind-configure.log" 2>&1 || { cat "$PLOXEN_BUILD/$kind-configure.log" >&2; return 1; }
  local targets=()
  local t
  for t in "$@"; do targets+=(--target "$t"); done
  echo "== build $kind"
  local log="$PLOXEN_BUILD/$kind-build.log"
  cmake --build "$dir" -j "$(nproc)" "${targets[@]}" >"$log" 2>&1 && return 0
  tail -n 80 "$log" >&2
  return 1
}

# The Wine prefix lives in the build tree; the first Windows program run creates it.
ploxen_wine() {
  "$PLOXEN_BUILD/mingw/wine-run.sh" "$@"
}
