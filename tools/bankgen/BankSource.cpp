#include "tools/bankgen/BankSource.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <string>

#include "engine/ParamNames.h"
#include "engine/SettingValue.h"
#include "platform/Files.h"

namespace {

constexpr size_t kMaxFileSize = 64 * 1024;  // a program source is a page of text
constexpr int kChainSlots = 8;

struct TRow {
  const char* name;
  int base;
  int count;
  TSourceKind kind;
};

constexpr TRow kRows[] = {
    {"Semitone", tagSemitone, kMaxSteps, TSourceKind::Program},
    {"Octave", tagOctave, kMaxSteps, TSourceKind::Program},
    {"Step_mode", tagStep_mode, kMaxSteps, TSourceKind::Program},
    {"Key_select", tagKey_select, kMaxSteps, TSourceKind::Program},
    {"Velocity", tagVelocity, kMaxSteps, TSourceKind::Program},
    {"ChainProg", tagChainProg, kChainSlots, TSourceKind::Chain},
};

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

std::vector<std::string_view> Words(std::string_view s) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    size_t j = i;
    while (j < s.size() && s[j] != ' ' && s[j] != '\t') ++j;
    if (j > i) words.push_back(s.substr(i, j - i));
    i = j;
  }
  return words;
}

std::optional<int> ParseCount(std::string_view s) {
  if (s.empty() || s.size() > 3) return std::nullopt;
  int value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return value;
}

std::string_view BaseName(std::string_view path) {
  const auto slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool IsSlugChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

// "07-chord-stabs.txt" is program 7, "chain-2.txt" chain 2.
std::optional<std::string> KindFromFileName(std::string_view path, TSource& source) {
  std::string_view base = BaseName(path);
  const std::string expected = "name the file NN-name.txt (program NN, 1..64) or chain-N.txt (chain N, 1..8)";
  if (!base.ends_with(".txt")) return expected;
  base.remove_suffix(4);
  if (base.starts_with("chain-")) {
    const auto n = ParseCount(base.substr(6));
    if (!n || *n < 1 || *n > CParamDef[tagNumChains]) return expected;
    source.kind = TSourceKind::Chain;
    source.number = *n;
    return std::nullopt;
  }
  const auto dash = base.find('-');
  if (dash == std::string_view::npos || dash + 1 >= base.size()) return expected;
  for (char c : base.substr(dash + 1))
    if (!IsSlugChar(c)) return expected;
  const auto n = ParseCount(base.substr(0, dash));
  if (!n || *n < 1 || *n > kNumPrograms) return expected;
  source.kind = TSourceKind::Program;
  source.number = *n;
  return std::nullopt;
}

// Why a tag cannot be set from this kind of file, or nothing when it can.
std::optional<std::string> RefuseTag(int tag, TSourceKind kind) {
  const std::string name = CatalogueName(tag);
  if (tag < kFirstChainTag) return name + " is a global setting; the factory bank keeps the globals at their defaults";
  if (tag == tagChainInit) return "ChainInit is written by the generator";
  if (tag == tagProgName) return "give the program's name with \"name: ...\"";
  if (tag == tagPatternShift) return "PatternShift rotates the pattern in the editor; write the steps as they should sound";
  const bool chainTag = tag < kFirstProgramTag;
  if (chainTag && kind == TSourceKind::Program) return name + " belongs in a chain file (chain-N.txt)";
  if (!chainTag && kind == TSourceKind::Chain) return name + " belongs in a program file";
  return std::nullopt;
}

class TParser {
 public:
  TParser(std::string_view path, TSource& source, TSourceError& error) : source(source), error(error) {
    error = {std::string(path), 0, {}};
    source = {};
    source.path = std::string(path);
  }

  bool Parse(std::string_view text) {
    if (auto why = KindFromFileName(source.path, source)) return Fail(0, *why);
    bool commented = false, content = false;
    int lineNo = 0;
    size_t pos = 0;
    while (pos <= text.size()) {
      const size_t end = std::min(text.find('\n', pos), text.size());
      const std::string_view line = Trim(text.substr(pos, end - pos));
      pos = end + 1;
      ++lineNo;
      if (line.empty()) continue;
      if (line.front() == '#') {
        commented = commented || !content;
        continue;
      }
      if (!commented) return Fail(lineNo, "start the file with a comment saying what it is for musically");
      content = true;
      if (!ParseLine(line, lineNo)) return false;
    }
    return Finish();
  }

 private:
  TSource& source;
  TSourceError& error;
  std::array<int, kNumParams> lineOfTag{};  // where each tag was set, 0 = not yet

  bool Fail(int line, std::string message) {
    error.line = line;
    error.message = std::move(message);
    return false;
  }

  bool ParseLine(std::string_view line, int lineNo) {
    if (line.starts_with("name:")) return ParseName(Trim(line.substr(5)), lineNo);
    if (const auto eq = line.find('='); eq != std::string_view::npos)
      return ParseSetting(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)), lineNo);
    if (const auto colon = line.find(':'); colon != std::string_view::npos)
      return ParseRow(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)), lineNo);
    return Fail(lineNo, "expected \"Setting = value\", \"Row: values\" or \"name: ...\"");
  }

  bool ParseName(std::string_view name, int lineNo) {
    if (source.kind == TSourceKind::Chain) return Fail(lineNo, "a chain has no name");
    if (source.nameLine != 0) return Fail(lineNo, "the name is already given on line " + std::to_string(source.nameLine));
    if (name.empty()) return Fail(lineNo, "the name is empty");
    if (name.size() > static_cast<size_t>(kNameChars))
      return Fail(lineNo, "the name has " + std::to_string(name.size()) + " characters, at most " +
                              std::to_string(kNameChars) + " fit");
    for (char c : name)
      if (c < 0x20 || c > 0x7E) return Fail(lineNo, "the name may hold only plain ASCII characters");
    source.name = std::string(name);
    source.nameLine = lineNo;
    return true;
  }

  bool Store(int tag, std::string_view valueText, int lineNo) {
    if (lineOfTag[tag] != 0)
      return Fail(lineNo, CatalogueName(tag) + " is already set on line " + std::to_string(lineOfTag[tag]));
    std::string why;
    const auto value = ParseSettingValue(tag, valueText, why);
    if (!value) return Fail(lineNo, why);
    lineOfTag[tag] = lineNo;
    source.settings.push_back({tag, *value, lineNo});
    return true;
  }

  bool ParseSetting(std::string_view name, std::string_view value, int lineNo) {
    const int tag = TagByCatalogueName(name);
    if (tag < 0) return Fail(lineNo, "unknown setting \"" + std::string(name) + "\"");
    if (auto why = RefuseTag(tag, source.kind)) return Fail(lineNo, *why);
    if (value.empty()) return Fail(lineNo, CatalogueName(tag) + " has no value");
    return Store(tag, value, lineNo);
  }

  bool ParseRow(std::string_view head, std::string_view values, int lineNo) {
    const auto words = Words(head);
    const TRow* row = nullptr;
    for (const auto& r : kRows)
      if (!words.empty() && words[0] == r.name) row = &r;
    if (row == nullptr || words.size() > 2) return Fail(lineNo, "unknown row \"" + std::string(head) + "\"");
    if (row->kind != source.kind)
      return Fail(lineNo, std::string(row->name) + (row->kind == TSourceKind::Chain ? " belongs in a chain file"
                                                                                      : " belongs in a program file"));
    int first = 1;
    if (words.size() == 2) {
      const auto n = ParseCount(words[1]);
      if (!n || *n < 1 || *n > row->count)
        return Fail(lineNo, "the row's first step must be 1.." + std::to_string(row->count));
      first = *n;
    }
    int index = first - 1;
    for (std::string_view word : Words(values)) {
      if (word == "|") continue;
      if (index >= row->count)
        return Fail(lineNo, std::string(row->name) + " has only " + std::to_string(row->count) +
                                (row->kind == TSourceKind::Chain ? " slots" : " steps"));
      if (!Store(row->base + index, word, lineNo)) return false;
      ++index;
    }
    if (index == first - 1) return Fail(lineNo, std::string(row->name) + " row without values");
    return true;
  }

  bool Finish() {
    if (source.kind == TSourceKind::Chain) {
      for (const auto& s : source.settings)
        if (s.tag >= tagChainProg && s.tag < tagChainProg + kChainSlots && s.value > 0) return true;
      return Fail(0, "the chain names no program");
    }
    if (source.nameLine == 0) return Fail(0, "no \"name: ...\" line");
    int steps = CParamDef[tagSteps];
    for (const auto& s : source.settings)
      if (s.tag == tagSteps) steps = s.value;
    for (const auto& s : source.settings) {
      if (s.tag < tagSemitone) continue;
      const int step = (s.tag - tagSemitone) % kMaxSteps;
      if (step >= steps)
        return Fail(s.line, CatalogueName(s.tag) + " lies beyond the pattern's " + std::to_string(steps) + " steps");
    }
    return true;
  }
};

}  // namespace

std::string TSourceError::Text() const {
  std::string text = path;
  if (line > 0) text.append(":").append(std::to_string(line));
  text.append(": ").append(message);
  // One line, whatever the file held.
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return text;
}

bool ParseSource(std::string_view path, std::string_view text, TSource& source, TSourceError& error) {
  return TParser(path, source, error).Parse(text);
}

bool ParseSourceFile(const std::string& path, TSource& source, TSourceError& error) {
  std::string text, why;
  switch (ReadWholeFile(path, kMaxFileSize, text, &why)) {
    case TReadResult::Missing: error = {path, 0, "no such file"}; return false;
    case TReadResult::Failed: error = {path, 0, why}; return false;
    case TReadResult::Read: break;
  }
  return ParseSource(path, text, source, error);
}
