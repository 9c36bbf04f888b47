// A loadable module for the library-loading tests: counts its entry-point
// calls and refuses to load while LMP_TEST_MODULE_REFUSE is set.
#include <cstdlib>

static int attaches = 0;

extern "C" __attribute__((visibility("default"))) int LmpDllMain(int reason) {
  if (reason == 1) {
    if (std::getenv("LMP_TEST_MODULE_REFUSE")) return 0;
    ++attaches;
  }
  return 1;
}

extern "C" __attribute__((visibility("default"))) int LmpTestModuleAttaches() { return attaches; }
extern "C" __attribute__((visibility("default"))) int LmpTestModuleAdd(int a, int b) { return a + b; }
