// The font and D-Bus libraries keep caches for the life of the process that they never free; not ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libdbus-1.so\n";
}
