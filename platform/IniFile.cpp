#include "platform/IniFile.h"

#include <cctype>
#include <cstdio>
#include <limits>

#include "platform/Files.h"

namespace {

constexpr size_t kMaxIniBytes = 1 << 20;  // settings and skins are a few kilobytes

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// The name of a "[section]" line, or nothing for other lines.
std::optional<std::string_view> SectionOf(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  const size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

bool IsComment(std::string_view line) {
  line = Trim(line);
  return !line.empty() && (line.front() == ';' || line.front() == '#');
}

}  // namespace

std::optional<int> ParseIniInteger(std::string_view text) {
  text = Trim(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text.front() == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  long long value = 0;
  for (char ch : text) {
    int digit;
    if (ch >= '0' && ch <= '9') digit = ch - '0';
    else if (base == 16 && ch >= 'a' && ch <= 'f') digit = ch - 'a' + 10;
    else if (base == 16 && ch >= 'A' && ch <= 'F') digit = ch - 'A' + 10;
    else return std::nullopt;
    value = value * base + digit;
    // Hexadecimal may spell a colour with the top bit set ($FFFFFFFF); decimal must fit.
    if (value > 0xFFFFFFFFll) return std::nullopt;
  }
  if (base == 10) {
    if (negative) value = -value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) return std::nullopt;
    return static_cast<int>(value);
  }
  const uint32_t bits = static_cast<uint32_t>(value);
  return static_cast<int>(negative ? 0u - bits : bits);
}

TIniFile::TIniFile(std::string filePath) : path(std::move(filePath)) {
  std::string text;
  switch (ReadWholeFile(path, kMaxIniBytes, text)) {
    case TReadResult::Missing: return;
    case TReadResult::Failed: writable = false; return;
    case TReadResult::Read: break;
  }
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
}

std::optional<size_t> TIniFile::FindSection(std::string_view section) const {
  for (size_t i = 0; i < lines.size(); ++i) {
    const auto name = SectionOf(lines[i]);
    if (name && SameName(*name, Trim(section))) return i;
  }
  return std::nullopt;
}

std::optional<TIniFile::TKeyLine> TIniFile::FindKey(size_t sectionLine, std::string_view key) const {
  for (size_t i = sectionLine + 1; i < lines.size() && !SectionOf(lines[i]); ++i) {
    if (IsComment(lines[i])) continue;
    const std::string_view line = lines[i];
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    if (SameName(Trim(line.substr(0, eq)), Trim(key))) return TKeyLine{i, std::string(Trim(line.substr(eq + 1)))};
  }
  return std::nullopt;
}

std::optional<std::string> TIniFile::ReadString(std::string_view section, std::string_view key) const {
  const auto s = FindSection(section);
  if (!s) return std::nullopt;
  const auto k = FindKey(*s, key);
  if (!k) return std::nullopt;
  return k->value;
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
  const auto text = ReadString(section, key);
  if (!text) return fallback;
  return ParseIniInteger(*text).value_or(fallback);
}

std::vector<std::string> TIniFile::SectionNames() const {
  std::vector<std::string> names;
  for (const std::string& line : lines) {
    const auto name = SectionOf(line);
    if (!name) continue;
    bool seen = false;
    for (const std::string& n : names) seen = seen || SameName(n, *name);
    if (!seen) names.emplace_back(*name);
  }
  return names;
}

bool TIniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  if (!writable) return false;
  std::string entry(Trim(key));
  entry.append("=").append(std::to_string(value));
  if (const auto s = FindSection(section)) {
    if (const auto k = FindKey(*s, key)) {
      lines[k->line] = entry;
    } else {
      // After the section's last line that holds something.
      size_t at = *s + 1;
      for (size_t i = *s + 1; i < lines.size() && !SectionOf(lines[i]); ++i)
        if (!Trim(lines[i]).empty()) at = i + 1;
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), entry);
    }
  } else {
    if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
    std::string heading("[");
    heading.append(Trim(section)).append("]");
    lines.push_back(std::move(heading));
    lines.push_back(entry);
  }
  return Save();
}

bool TIniFile::Save() const {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
#ifdef _WIN32
    text += "\r\n";
#else
    text += "\n";
#endif
  }
  return WriteWholeFileSafely(path, text);
}
