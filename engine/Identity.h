#pragma once
// Who the plug-in is, as every format and every preset file names it.
#include <cstdint>

struct TIdentity {
  const char* EffectName = "Moltrin";
  const char* VendorString = "Moltrin Arpeggiator Works";
  const char* ProductString = "Moltrin";
  int32_t VendorVersion = 131;
  char UniqueID[4] = {'K', 'q', '4', 'v'};
};

inline constexpr TIdentity kIdentity{};
