// The PNG writer renders text through fontconfig, which keeps what it loads in caches for the life
// of the process and frees them only at FcFini. LeakSanitizer reports those caches at exit; they
// are not leaks of this program.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
