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
           "leak:libglib-2.0.so\n";
}
