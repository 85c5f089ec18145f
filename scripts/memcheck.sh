#!/usr/bin/env bash
# Runs the test programs once under valgrind's memcheck; any error fails the run.
# Slow (several minutes), so CI leaves it to developers. Needs an ordinary build in build/.
set -euo pipefail
cd "$(dirname "$0")/.."

command -v valgrind >/dev/null || { echo "valgrind is not installed"; exit 1; }
export QT_QPA_PLATFORM=offscreen
export QT_ENABLE_REGEXP_JIT=0 # valgrind cannot follow code that PCRE2 compiles at run time
for program in core_tests cli_tests window_tests bad_input_tests; do
    echo "== $program"
    valgrind --tool=memcheck --error-exitcode=99 --errors-for-leak-kinds=definite \
        --leak-check=full --track-origins=yes --suppressions=scripts/memcheck.supp \
        --quiet "build/tests/$program" --gtest_brief=1
done
