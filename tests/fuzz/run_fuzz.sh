#!/bin/sh
# Fuzzes the spreadsheet reader with libFuzzer for a bounded time (default 60 s).
#   tests/fuzz/run_fuzz.sh [seconds]
# Builds with clang++ -fsanitize=fuzzer,address,undefined outside CMake, seeds the corpus with the
# workbooks of tests/fixtures/sheets and prints the number of executions. Findings are
# written to $WORK/findings (WORK defaults to /tmp/cekilis-fuzz).
set -eu
seconds=${1:-60}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=${WORK:-/tmp/cekilis-fuzz}
mkdir -p "$work/corpus" "$work/findings" "$work/scratch"
rm -f "$work"/findings/*
cp "$root"/tests/fixtures/sheets/*.xls "$root"/tests/fixtures/sheets/*.xlsx \
   "$root"/tests/fixtures/sheets/*.ods "$root"/tests/fixtures/sheets/*.csv "$work/corpus/"

cxx=${CXX:-clang++}
flags="-std=c++20 -g -O1 -fPIC -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined
       -DQT_NO_CAST_FROM_ASCII -DQT_NO_FOREACH -I$root/spreadsheet -I$root/platform -I$root/data -I$root"
# shellcheck disable=SC2086,SC2046
$cxx $flags -o "$work/fuzz_spreadsheet" "$here/fuzz_spreadsheet.cpp" \
    "$root"/spreadsheet/SpreadsheetReader.cpp "$root"/spreadsheet/SpreadsheetSheet.cpp \
    "$root"/spreadsheet/SpreadsheetZip.cpp "$root"/spreadsheet/SpreadsheetOrcus.cpp "$root"/spreadsheet/SpreadsheetMarkup.cpp \
    "$root"/spreadsheet/SpreadsheetXlsx.cpp "$root"/spreadsheet/SpreadsheetOds.cpp \
    "$root"/spreadsheet/SpreadsheetXls.cpp "$root"/spreadsheet/SpreadsheetBiff.cpp \
    "$root"/spreadsheet/SpreadsheetIsolation.cpp "$root"/data/Codec1254.cpp "$root"/data/HugePages.cpp \
    "$root"/data/Transliteration.cpp "$root"/spreadsheet/NativePath.cpp -DCEKILIS_WITH_ICU \
    $(pkg-config --cflags --libs Qt6Core liborcus-0.17 freexl icu-i18n icu-uc zlib)

cd "$work"
# Fork mode keeps fuzzing after a finding (freexl 1.0.6 has known over-reads on crafted files),
# so one run reports every kind of fault it meets and a comparable number of executions.
# The leaks freexl has on its own error paths are suppressed as in the test suite.
export FUZZ_SCRATCH_DIR="$work/scratch" ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$root/tests/lsan.supp" \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
./fuzz_spreadsheet -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
    -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=65536 \
    -artifact_prefix="$work/findings/" "$work/corpus" >"$work/fuzz.log" 2>&1 || true
grep -E '^#[0-9]+: ' "$work/fuzz.log" | tail -1
runs=$(grep -oE '^#[0-9]+: ' "$work/fuzz.log" | tail -1 | tr -dc '0-9')
echo "executions: ${runs:-0}"
set -- "$work"/findings/*
if [ -e "$1" ]; then
    echo "findings in $work/findings (replayed: fault, then the library frame that made it):"
    for f in "$work"/findings/*; do
        ./fuzz_spreadsheet "$f" 2>&1 |
            grep -E 'SUMMARY:|^ +#1 ' | head -2 | sed -e 's/(BuildId[^)]*)//' -e "s|^|  $(basename "$f"): |"
    done
    exit 1
fi
