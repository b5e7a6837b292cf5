// The targets that play the module through its entry point load it before the fuzzer starts,
// so that its coverage counts from the first input.
#include "tests/host/TestHost.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  testhost::LoadEntry(testhost::DefaultModulePath());
  return 0;
}
