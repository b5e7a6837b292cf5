// The targets that play moltrin.clap through its entry load it before the fuzzer starts, so
// that its coverage counts from the first input.
#include "hosts/clap/ClapHost.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  claphost::LoadEntry(claphost::DefaultModulePath());
  return 0;
}
