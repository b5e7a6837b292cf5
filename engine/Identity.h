#pragma once
// Who the plug-in is, as every format and every preset file names it. The version comes from
// the build (project(VERSION) in CMakeLists.txt), the one place it is written.
#include <cstdint>

#if !defined(MOLTRIN_VERSION) || !defined(MOLTRIN_VERSION_MAJOR) || !defined(MOLTRIN_VERSION_MINOR) || \
    !defined(MOLTRIN_VERSION_PATCH)
#error "the build defines the version (project(VERSION) in CMakeLists.txt)"
#endif
static_assert(MOLTRIN_VERSION_MINOR < 10 && MOLTRIN_VERSION_PATCH < 10,
              "the version integer has one digit each for the minor version and the patch");

struct TIdentity {
  const char* EffectName = "Moltrin";
  const char* VendorString = "Moltrin Arpeggiator Works";
  const char* ProductString = "Moltrin";
  const char* Version = MOLTRIN_VERSION;  // "1.3.1"
  // The same as one number, as hosts ask for it: 1.3.1 is 131.
  int32_t VendorVersion = MOLTRIN_VERSION_MAJOR * 100 + MOLTRIN_VERSION_MINOR * 10 + MOLTRIN_VERSION_PATCH;
  char UniqueID[4] = {'K', 'q', '4', 'v'};
};

inline constexpr TIdentity kIdentity{};
