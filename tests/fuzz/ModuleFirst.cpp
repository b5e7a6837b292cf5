// The targets that play the module through its entry point load it before the fuzzer starts,
// so that its coverage counts from the first input.
#include "hosts/vst2/Host.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vst2host::LoadEntry(vst2host::DefaultModulePath());
  return 0;
}
