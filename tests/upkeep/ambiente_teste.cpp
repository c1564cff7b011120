// Sanitizer settings of this test program. The Firebird client unloads its engine plugin while
// the process exits, and the leak check that runs after it would still read the plugin's
// thread-local blocks through the stale table of the dynamic loader, which crashes the check
// depending on what the freed memory holds. Our own code has no dynamic thread-local storage (it
// is linked into the program), so leaving those blocks out of the scan hides none of our leaks.
// Weak, so that a program-wide setting of the build takes precedence over this one.

extern "C" __attribute__((weak, used)) const char* __asan_default_options() {
    return "intercept_tls_get_addr=0";
}
