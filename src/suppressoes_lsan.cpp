// Compiled into every program of the sanitizer build. Memory the Firebird client library and Qt
// keep for the life of the process (authentication plugins, the big-number library, the ICU
// tables the embedded engine loads when it creates a database, font and platform caches) is
// allocated once and never freed; it is not ours to report.

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfbclient.so\n"
           "leak:libtommath.so\n"
           "leak:libEngine12.so\n"
           "leak:libSrp.so\n"
           "leak:libicuuc.so\n"
           "leak:libicui18n.so\n"
           "leak:libfontconfig.so\n"
           "leak:libQt6Gui.so\n"
           "leak:libQt6Core.so\n"
           "leak:libQt6Widgets.so\n"
           "leak:libdbus-1.so\n"
           "leak:libglib-2.0.so\n"
           // The loader's own lists of a dlopen()ed library, reachable only through TLS (below).
           "leak:_dl_map_object_deps\n";
}

// Thread-local storage is not scanned as a root. This toolchain's sanitizer misreads the dynamic
// TLS blocks that glibc 2.36 gives the Firebird plugins loaded at run time (libfbintl, the engine),
// depending on the heap's layout, and crashes while checking for leaks at exit. Leaving TLS out
// can only report more, not hide a leak.
extern "C" const char* __lsan_default_options() { return "use_tls=0"; }
