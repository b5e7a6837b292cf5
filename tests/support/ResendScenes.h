#pragma once
// The scenes in which each format's tests send every value again while notes sound: what plays
// must be what plays without the re-sends.
#include <utility>
#include <vector>

#include "engine/ParamNames.h"

namespace testsupport {

struct TResendScene {
  const char* what;
  std::vector<std::pair<int, int>> settings;  // tag, value, before the keys go down
  bool playing;
  bool keysUpEarly;  // let go before the re-sends (latched keys)
};

inline const std::vector<TResendScene>& ResendScenes() {
  static const std::vector<TResendScene> scenes = {
      {"arpeggio over held keys, transport playing", {{tagGate, 100}}, true, false},
      {"arpeggio over held keys, own clock", {{tagGate, 100}}, false, false},
      {"latched arpeggio on the own clock", {{tagLatch, 1}}, false, true},
      {"thru notes held", {{tagArpEnabled, 0}, {tagMIDIThruOn, 1}}, false, false},
      {"a chain in force, advancing each bar", {{tagCurChain, 1}, {tagChainProg, 3}, {tagChainProg + 1, 5}}, true, false},
  };
  return scenes;
}

}  // namespace testsupport
