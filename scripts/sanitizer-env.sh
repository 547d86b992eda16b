# Sourced by the test scripts: how AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer
# report (every finding fails the run; Qt's own one-time allocations are suppressed).
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
