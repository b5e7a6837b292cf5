// The ini reader and writer, whole-file writes and folder listings.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Files.h"
#include "platform/IniFile.h"
#include "tests/support/TempFolder.h"

TEST(IniInteger, ParsesWhatIniFilesWrite) {
  struct Case {
    const char* text;
    std::optional<int> value;
  };
  const Case cases[] = {
      {"42", 42},           {"  -7 ", -7},         {"+3", 3},
      {"$FEAD92", 0xFEAD92}, {"0x1f", 31},          {"$ffffffff", -1},
      {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
      {"2147483648", std::nullopt},  // decimal beyond 32 bits
      {"$100000000", std::nullopt}, {"", std::nullopt}, {"$", std::nullopt},
      {"12a", std::nullopt},        {"1 2", std::nullopt}, {"red", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseIniInteger(c.text), c.value) << "'" << c.text << "'";
}

TEST(IniFile, ReadsSectionsAndKeysAsWindowsDoes) {
  TTempFolder tmp;
  tmp.Write("a.ini",
            "; a comment\r\n[First]\r\nalpha = 1\r\n# alpha=9\r\nBeta=$10\r\nbad=x\r\n\r\n"
            "[Second]\r\nalpha=2\r\n[first]\r\nalpha=3\r\n[  Third  ]\r\n");
  TIniFile ini(tmp.File("a.ini"));
  EXPECT_EQ(ini.ReadInteger("first", "ALPHA", -1), 1) << "names match without case; the first section counts";
  EXPECT_EQ(ini.ReadInteger("First", "beta", -1), 16);
  EXPECT_EQ(ini.ReadInteger("First", "bad", -1), -1) << "not an integer";
  EXPECT_EQ(ini.ReadInteger("First", "gamma", -1), -1) << "missing";
  EXPECT_EQ(ini.ReadInteger("Second", "alpha", -1), 2);
  EXPECT_EQ(ini.ReadInteger("Nowhere", "alpha", -1), -1);
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"First", "Second", "Third"}));
}

// Files with many sections (skin files beside the module) are read in one pass: names told
// apart without regard to case, whichever of them share a slot of the lookup.
TEST(IniFile, ManySectionsKeepTheirFirstSpellingInFileOrder) {
  TTempFolder tmp;
  std::string text;
  std::vector<std::string> expected;
  for (int i = 0; i < 5000; ++i) {
    const std::string name = "Scheme " + std::to_string(i);
    text += "[" + name + "]\nk=" + std::to_string(i) + "\n";
    expected.push_back(name);
    if (i % 3 == 2) text += "[SCHEME " + std::to_string(i / 2) + "]\nk=-1\n";  // an earlier one again
  }
  tmp.Write("many.ini", text);
  const TIniFile ini(tmp.File("many.ini"));
  EXPECT_EQ(ini.SectionNames(), expected);
  EXPECT_EQ(ini.ReadInteger("scheme 4998", "k", 0), 4998);
  EXPECT_EQ(ini.ReadInteger("Scheme 2", "k", 0), 2) << "the first of two equal sections counts";
}

TEST(IniFile, SeveralKeysOfASectionReadAsOneByOne) {
  TTempFolder tmp;
  tmp.Write("keys.ini", "[Other]\nalpha=0\n[Scheme]\nAlpha=1\n; beta=9\nbeta = 2\nALPHA=3\nnoequals\n[Next]\ngamma=4\n");
  const TIniFile ini(tmp.File("keys.ini"));
  const std::string_view keys[] = {"alpha", "BETA", "gamma", " alpha "};
  const auto values = ini.ReadStrings("scheme", keys);
  ASSERT_EQ(values.size(), 4u);
  for (size_t i = 0; i < values.size(); ++i) EXPECT_EQ(values[i], ini.ReadString("scheme", keys[i])) << keys[i];
  EXPECT_EQ(values[0], "1") << "the first of two equal keys counts";
  EXPECT_EQ(values[1], "2");
  EXPECT_EQ(values[2], std::nullopt) << "a key of the next section";
  EXPECT_EQ(values[3], "1");
  EXPECT_EQ(ini.ReadStrings("Missing", keys), std::vector<std::optional<std::string>>(4));
}

TEST(IniFile, WritesKeepEverythingElseAndCreateTheFile) {
  TTempFolder tmp;
  TIniFile fresh(tmp.File("new.ini"));
  EXPECT_TRUE(fresh.SectionNames().empty()) << "a missing file reads as empty";
  ASSERT_TRUE(fresh.WriteInteger("SETTINGS", "gui_scheme", 2));
  EXPECT_EQ(TIniFile(tmp.File("new.ini")).ReadInteger("SETTINGS", "gui_scheme", 0), 2);

  tmp.Write("keep.ini", "; mine\n[Other]\nx=1\n\n[SETTINGS]\ngui_scheme=1\n; note\n\n[Last]\ny=2\n");
  TIniFile ini(tmp.File("keep.ini"));
  ASSERT_TRUE(ini.WriteInteger("settings", "GUI_SCHEME", 3));
  ASSERT_TRUE(ini.WriteInteger("SETTINGS", "matrix_semitone_range", 1));
  ASSERT_TRUE(ini.WriteInteger("New", "z", -4));
  TIniFile again(tmp.File("keep.ini"));
  EXPECT_EQ(again.ReadInteger("SETTINGS", "gui_scheme", 0), 3);
  EXPECT_EQ(again.ReadInteger("SETTINGS", "matrix_semitone_range", 0), 1);
  EXPECT_EQ(again.ReadInteger("Other", "x", 0), 1);
  EXPECT_EQ(again.ReadInteger("Last", "y", 0), 2);
  EXPECT_EQ(again.ReadInteger("New", "z", 0), -4);
  const std::string text = tmp.Read("keep.ini");
  EXPECT_NE(text.find("; mine"), std::string::npos);
  EXPECT_NE(text.find("; note"), std::string::npos);
  EXPECT_LT(text.find("matrix_semitone_range"), text.find("[Last]")) << "a new key joins its own section";
  EXPECT_FALSE(std::filesystem::exists(tmp.File("keep.ini.tmp")));
}

TEST(IniFile, FilesThatCannotBeReadOrWrittenChangeNothing) {
  TTempFolder tmp;
  // A folder where the file should be: unreadable, and never written over.
  std::filesystem::create_directories(tmp.path / "dir.ini");
  TIniFile dir(tmp.File("dir.ini"));
  EXPECT_EQ(dir.ReadInteger("S", "k", 7), 7);
  EXPECT_FALSE(dir.WriteInteger("S", "k", 1));
  EXPECT_TRUE(std::filesystem::is_directory(tmp.path / "dir.ini"));

  // Far too large for a settings file: read as empty and left alone.
  tmp.Write("huge.ini", "[S]\nk=1\n" + std::string(2 << 20, ';'));
  TIniFile huge(tmp.File("huge.ini"));
  EXPECT_EQ(huge.ReadInteger("S", "k", 7), 7);
  EXPECT_FALSE(huge.WriteInteger("S", "k", 2));
  EXPECT_GT(std::filesystem::file_size(tmp.path / "huge.ini"), size_t{2 << 20});

  // A folder that does not exist: the write fails and reports it.
  TIniFile nowhere(tmp.File("missing/sub/x.ini"));
  EXPECT_FALSE(nowhere.WriteInteger("S", "k", 1));
}

TEST(Files, ListingIsSortedByNameAndLeavesFoldersOut) {
  TTempFolder tmp;
  for (const char* name : {"b.ini", "A.ini", "c.txt", "a.ini", "10.ini", "2.ini"}) tmp.Write(name, "x");
  std::filesystem::create_directories(tmp.path / "folder.ini");
  EXPECT_EQ(ListFiles(tmp.Folder()),
            (std::vector<std::string>{"10.ini", "2.ini", "A.ini", "a.ini", "b.ini", "c.txt"}));
  EXPECT_TRUE(ListFiles(tmp.File("missing")).empty());
}

TEST(Files, SafeWriteReplacesWholeOrNotAtAll) {
  TTempFolder tmp;
  tmp.Write("f.bin", "old");
  EXPECT_TRUE(WriteWholeFileSafely(tmp.File("f.bin"), "new contents"));
  EXPECT_EQ(tmp.Read("f.bin"), "new contents");
  EXPECT_FALSE(WriteWholeFileSafely(tmp.File("no/such/f.bin"), "x"));
  std::string out;
  EXPECT_EQ(ReadWholeFile(tmp.File("f.bin"), 100, out), TReadResult::Read);
  EXPECT_EQ(out, "new contents");
  EXPECT_EQ(ReadWholeFile(tmp.File("f.bin"), 5, out), TReadResult::Failed);
  EXPECT_EQ(ReadWholeFile(tmp.File("gone.bin"), 5, out), TReadResult::Missing);
  EXPECT_EQ(JoinPath(tmp.Folder(), "x"), tmp.Folder() + "x");
}

#ifndef _WIN32
// A file kept as a symbolic link (a settings file shared between installations, say) stays
// a link: the file it leads to gets the new contents, written beside it and renamed over it.
TEST(Files, SafeWriteGoesThroughSymbolicLinks) {
  namespace fs = std::filesystem;
  TTempFolder tmp;
  fs::create_directories(tmp.path / "real");
  fs::create_directories(tmp.path / "links");
  const struct {
    const char* name;
    std::vector<std::pair<std::string, std::string>> links;  // link -> what it names
    std::string target;                                      // the file written, "" for none
  } cases[] = {
      {"a relative link", {{"links/a.ini", "../real/a.ini"}}, "real/a.ini"},
      {"an absolute link", {{"links/b.ini", (tmp.path / "real/b.ini").string()}}, "real/b.ini"},
      {"links in a row", {{"links/c.ini", "c2.ini"}, {"links/c2.ini", "../real/c.ini"}}, "real/c.ini"},
      {"a link to no file yet", {{"links/d.ini", "../real/new.ini"}}, "real/new.ini"},
      {"a circle of links", {{"links/e.ini", "e2.ini"}, {"links/e2.ini", "e.ini"}}, ""},
  };
  for (const auto& c : cases) {
    for (const auto& [link, to] : c.links) fs::create_symlink(to, tmp.path / link);
    if (!c.target.empty() && c.target != "real/new.ini") tmp.Write(c.target, "old");
    const fs::path first = tmp.path / c.links.front().first;
    std::string reason;
    EXPECT_EQ(WriteWholeFileSafely(first.string(), "new", &reason), !c.target.empty()) << c.name << ": " << reason;
    for (const auto& [link, to] : c.links) {
      EXPECT_TRUE(fs::is_symlink(tmp.path / link)) << c.name << ": " << link << " is a link still";
      EXPECT_EQ(fs::read_symlink(tmp.path / link), fs::path(to)) << c.name;
    }
    if (c.target.empty()) {
      EXPECT_NE(reason.find("cannot follow " + first.string()), std::string::npos) << reason;
    } else {
      EXPECT_EQ(tmp.Read(c.target), "new") << c.name;
    }
  }
  for (const auto& entry : fs::recursive_directory_iterator(tmp.path))
    EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
}
#endif
