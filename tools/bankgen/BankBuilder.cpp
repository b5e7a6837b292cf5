#include "tools/bankgen/BankBuilder.h"

#include <algorithm>
#include <map>
#include <memory>

#include "engine/PlugCore.h"

namespace {

// Sources in file-name order, so that the second of two clashing files is always the one named.
std::vector<const TSource*> ByPath(const std::vector<TSource>& sources) {
  std::vector<const TSource*> sorted;
  for (const auto& s : sources) sorted.push_back(&s);
  std::sort(sorted.begin(), sorted.end(), [](const TSource* a, const TSource* b) { return a->path < b->path; });
  return sorted;
}

}  // namespace

bool CheckSources(const std::vector<TSource>& sources, TSourceError& error) {
  std::map<int, const TSource*> programs, chains;
  std::map<std::string, const TSource*> names;
  for (const TSource* s : ByPath(sources)) {
    auto& byNumber = s->kind == TSourceKind::Program ? programs : chains;
    if (auto [it, fresh] = byNumber.emplace(s->number, s); !fresh) {
      error = {s->path, 0,
               (s->kind == TSourceKind::Program ? "program " : "chain ") + std::to_string(s->number) +
                   " is already described by " + it->second->path};
      return false;
    }
    if (s->kind != TSourceKind::Program) continue;
    if (auto [it, fresh] = names.emplace(s->name, s); !fresh) {
      error = {s->path, s->nameLine, "the name \"" + s->name + "\" is already used by " + it->second->path};
      return false;
    }
  }
  for (const auto& [number, chain] : chains) {
    for (const auto& setting : chain->settings) {
      const bool slot = setting.tag >= tagChainProg && setting.tag < tagChainProg + 8;
      if (slot && setting.value > 0 && programs.count(setting.value) == 0) {
        error = {chain->path, setting.line,
                 "slot " + std::to_string(setting.tag - tagChainProg + 1) + " names program " +
                     std::to_string(setting.value) + ", which no file describes"};
        return false;
      }
    }
  }
  return true;
}

void ApplySources(TPlugCore& core, const std::vector<TSource>& sources) {
  // Every program at its defaults and named "Program N", the globals at theirs.
  core.InitializeBank();
  // Tags 80..149 address the chain section of row CurrentChain: each row is the store of one
  // chain. Every section starts at its defaults, ChainInit included.
  for (int chain = 0; chain < kNumPrograms; ++chain) {
    core.SetCurrentChainIndex(chain);
    core.InitChain();
  }
  core.SetCurrentChainIndex(0);

  for (const auto& s : sources) {
    if (s.kind != TSourceKind::Program) continue;
    core.SelectProgram(s.number - 1);
    core.SetProgramName(s.name);
    for (const auto& setting : s.settings) core.SetParamFromEditor(setting.tag, setting.value, false);
  }
  for (const auto& s : sources) {
    if (s.kind != TSourceKind::Chain) continue;
    core.SetCurrentChainIndex(s.number);
    for (const auto& setting : s.settings) core.SetParamFromEditor(setting.tag, setting.value, false);
  }
  // No chain is in force in a fresh instance: the player picks one.
  core.SetCurrentChainIndex(0);
  core.SelectProgram(0);
}

std::vector<uint8_t> BuildFactoryBank(const std::vector<TSource>& sources) {
  auto core = std::make_unique<TPlugCore>();  // large: keep it off the stack
  ApplySources(*core, sources);
  const auto file = core->BuildFxb();
  return {file.begin(), file.end()};
}
