# Shared by the scripts: package set-up and the two builds.
# shellcheck shell=bash

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="${JOBS:-2}"

# Debian packages the build, the tests and the demo need.
PACKAGES=(cmake make g++ qt6-base-dev libgtest-dev clang libclang-rt-14-dev iproute2 util-linux python3)

ensure_packages() {
    local missing=()
    for p in "${PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing Debian packages: ${missing[*]}" >&2
        echo "Run as root, or: sudo apt-get install ${missing[*]}" >&2
        exit 1
    fi
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# configure DIR [cmake options...]: configures DIR once; later calls reuse it.
configure() {
    local dir="$1"; shift
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    fi
}

# build DIR [cmake options...]: configures once, then builds everything.
build() {
    configure "$@"
    cmake --build "$1" -j "$JOBS"
}

# What the sanitizer builds run with; a finding stops the program that made it.
export_sanitizer_options() {
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
    export LSAN_OPTIONS="suppressions=$ROOT/tests/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
}

# The libFuzzer harnesses: a clang build of their libraries and themselves only.
FUZZ_DIR="$ROOT/build/fuzz"

build_fuzzers() {
    configure "$FUZZ_DIR" -DCMAKE_CXX_COMPILER=clang++ -DTA_BUILD_FUZZERS=ON -DTA_BUILD_TESTS=OFF
    cmake --build "$FUZZ_DIR" -j "$JOBS" --target fuzzers
}

# run_fuzzer NAME EXE SECONDS WORK: fuzzes for SECONDS from the seeds in
# fuzz/corpus/NAME and the inputs in WORK, where new inputs go (the seeds are
# only read). Prints one line; fails on a crash, a hang or a sanitizer finding,
# whose input is kept in build/fuzz/artifacts/NAME/.
run_fuzzer() {
    local name="$1" exe="$2" seconds="$3" work="$4"
    local seeds="$ROOT/fuzz/corpus/$name" log="$FUZZ_DIR/logs/$name.log" artifacts="$FUZZ_DIR/artifacts/$name/"
    mkdir -p "$work" "$artifacts" "$FUZZ_DIR/logs"
    local dirs=("$work")
    [ -d "$seeds" ] && dirs+=("$seeds")
    if "$exe" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 -artifact_prefix="$artifacts" \
            "${dirs[@]}" </dev/null >"$log" 2>&1; then
        local runs inputs
        runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
        inputs="$(find "$work" -type f | wc -l)"
        printf '%-16s ok      %s runs in %s s, working corpus %s inputs\n' "$name" "$runs" "$seconds" "$inputs"
    else
        printf '%-16s FAILED  %s\n' "$name" "$(grep -m1 -E '^(==[0-9]+==ERROR|SUMMARY|property violated)' "$log")"
        printf '%-16s         log %s\n' "" "$log"
        sed -n "s/.*Test unit written to /$(printf '%-16s         ' '')input /p" "$log"
        return 1
    fi
}

# run_fuzzers SECONDS WORKROOT [--update-seeds]: every harness of the fuzz build
# in turn, each with WORKROOT/NAME as its working corpus; with --update-seeds the
# inputs that add coverage are merged into fuzz/corpus/NAME afterwards.
run_fuzzers() {
    local seconds="$1" workroot="$2" update="${3:-}" failed=0 name exe
    local harnesses line
    mapfile -t harnesses <"$FUZZ_DIR/fuzzers.txt"
    for line in "${harnesses[@]}"; do
        [ -n "$line" ] || continue
        read -r name exe <<<"$line"
        run_fuzzer "$name" "$exe" "$seconds" "$workroot/$name" || { failed=1; continue; }
        if [ "$update" = "--update-seeds" ]; then
            mkdir -p "$ROOT/fuzz/corpus/$name"
            "$exe" -merge=1 "$ROOT/fuzz/corpus/$name" "$workroot/$name" </dev/null >>"$FUZZ_DIR/logs/$name.log" 2>&1 \
                || { echo "$name: merging into the seeds failed, see $FUZZ_DIR/logs/$name.log"; failed=1; }
        fi
    done
    return "$failed"
}
