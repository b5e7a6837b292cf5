#include "host/lv2/Lv2Ports.h"

#include <cmath>

#include "engine/Plugin.h"

namespace {

int WholeValue(float value) { return static_cast<int>(std::lround(value)); }

}  // namespace

const TLv2Setting* SettingOfPort(uint32_t port) {
  if (port < kFirstSettingPort || port >= kPortCount) return nullptr;
  return &kLv2Settings[port - kFirstSettingPort];
}

int PortOfTag(int tag) {
  for (uint32_t i = 0; i < kSettingPortCount; ++i)
    if (kLv2Settings[i].tag == tag) return static_cast<int>(kFirstSettingPort + i);
  return -1;
}

TPortRange RangeOfPort(uint32_t port) {
  if (port == kPortProgram) return {0, TPlugin::ProgramCount() - 1};
  const TLv2Setting* setting = SettingOfPort(port);
  if (setting == nullptr) return {};
  // The current chain goes up to the largest chain count a program may have.
  const int tag = setting->tag == tagCurChain ? tagNumChains : setting->tag;
  return {CParamMin[setting->tag], CParamMax[tag]};
}

bool ReadPortValue(const TPlugin& plugin, uint32_t port, float& value) {
  if (port == kPortProgram) {
    value = static_cast<float>(plugin.CurrentProgram() < 0 ? 0 : plugin.CurrentProgram());
    return true;
  }
  const TLv2Setting* setting = SettingOfPort(port);
  if (setting == nullptr) return false;
  const TParamInfo desc = plugin.ParamInfo(setting->tag);
  value = static_cast<float>(std::lround(plugin.GetNormalized(setting->tag) * (desc.max - desc.min) + desc.min));
  return true;
}

bool WritePortValue(TPlugin& plugin, uint32_t port, float value) {
  const TLv2Setting* setting = SettingOfPort(port);
  if (setting == nullptr || !std::isfinite(value)) return false;
  const TParamInfo desc = plugin.ParamInfo(setting->tag);
  if (desc.max <= desc.min) return false;
  int plain = WholeValue(std::fmax(std::fmin(value, 1.0e6f), -1.0e6f));
  plain = plain < desc.min ? desc.min : (plain > desc.max ? desc.max : plain);
  plugin.SetNormalized(setting->tag, static_cast<float>(plain - desc.min) / static_cast<float>(desc.max - desc.min));
  return true;
}
