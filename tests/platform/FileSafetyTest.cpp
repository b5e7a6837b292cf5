// Files as users keep them, and as they should never be treated: whatever stands at a name the
// plug-in reads (a FIFO, a device, a folder, links to them) is refused at once and never waited
// for; a save keeps the target's permissions and owner, refuses a file the user may not write,
// and never touches a file beside the target (a user's own "NAME.tmp", or a link at that name).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/MidiFile.h"
#include "tests/support/Fifo.h"
#include "tests/support/TempFolder.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Each reader the plug-in and its tools use, answering Read, Missing or Failed.
struct TReader {
  const char* name;
  std::function<TReadResult(const std::string&)> read;
};

const TReader kReaders[] = {
    {"ReadWholeFile",
     [](const std::string& p) {
       std::string out;
       return ReadWholeFile(p, 1 << 20, out);
     }},
    {"ReadFileStart",
     [](const std::string& p) {
       std::vector<uint8_t> out;
       return ReadFileStart(p, 100, out);
     }},
    {"ReadMidiFile",
     [](const std::string& p) {
       TMidiSong song;
       const TMidiFileResult r = ReadMidiFile(p, song);
       return r.ok ? TReadResult::Read
                   : r.message == "no such file" ? TReadResult::Missing : TReadResult::Failed;
     }},
};

mode_t ModeOf(const fs::path& p) {
  struct stat st {};
  ::stat(p.c_str(), &st);
  return st.st_mode & 07777;
}

TEST(FileReading, OnlyRegularFilesAreReadAndNothingElseIsWaitedFor) {
  TTempFolder tmp;
  tmp.Write("plain.mid", "MThd");
  fs::create_directory(tmp.path / "folder.mid");
  const TFifo fifo(tmp.File("fifo.mid"));
  ASSERT_TRUE(fifo.Made());
  fs::create_symlink("fifo.mid", tmp.path / "link-to-fifo.mid");
  fs::create_symlink("nowhere.mid", tmp.path / "dangling.mid");
  struct Case {
    std::string path;
    TReadResult expected;
  };
  const Case cases[] = {
      {tmp.File("fifo.mid"), TReadResult::Failed},     {tmp.File("link-to-fifo.mid"), TReadResult::Failed},
      {tmp.File("folder.mid"), TReadResult::Failed},   {"/dev/zero", TReadResult::Failed},
      {tmp.File("dangling.mid"), TReadResult::Missing}, {tmp.File("none/x.mid"), TReadResult::Missing},
      {tmp.File("plain.mid"), TReadResult::Read},
  };
  for (const TReader& reader : kReaders)
    for (const Case& c : cases) {
      if (std::string(reader.name) == "ReadMidiFile" && c.expected == TReadResult::Read) continue;  // no song
      EXPECT_EQ(reader.read(c.path), c.expected) << reader.name << " " << c.path;
    }
  EXPECT_FALSE(fifo.Released()) << "a reader waited for the FIFO's writer";
  std::string reason, out;
  EXPECT_EQ(ReadWholeFile(fifo.Path(), 10, out, &reason), TReadResult::Failed);
  EXPECT_EQ(reason, "not a regular file");
  // Settings and skins read through the same door: a FIFO reads as an empty file never written.
  TIniFile settings(fifo.Path());
  EXPECT_TRUE(settings.SectionNames().empty());
  EXPECT_FALSE(settings.WriteInteger("SETTINGS", "gui_zoom", 200));
  EXPECT_FALSE(fifo.Released());
  EXPECT_EQ(ListFiles(tmp.Folder()), (std::vector<std::string>{"plain.mid"})) << "skins are listed from plain files";
}

TEST(FileReading, TheStartOfALargerFileIsItsFirstBytes) {
  TTempFolder tmp;
  tmp.Write("f.bin", "0123456789");
  std::vector<uint8_t> out;
  EXPECT_EQ(ReadFileStart(tmp.File("f.bin"), 4, out), TReadResult::Read);
  EXPECT_EQ(std::string(out.begin(), out.end()), "0123");
  EXPECT_EQ(ReadFileStart(tmp.File("f.bin"), 40, out), TReadResult::Read);
  EXPECT_EQ(out.size(), 10u);
  std::string reason;
  EXPECT_EQ(ReadWholeFile(tmp.File("f.bin"), 4, out, &reason), TReadResult::Failed);
  EXPECT_EQ(reason, "the file is larger than 4 bytes");
  EXPECT_TRUE(out.empty());
}

// The target's permissions stay, written directly and through a link; the link stays a link.
TEST(FileSaving, TheTargetKeepsItsPermissionsAndOwner) {
  for (const mode_t mode : {0600, 0640, 0644, 0664, 0666, 0755, 0200}) {
    for (const bool throughLink : {false, true}) {
      TTempFolder tmp;
      tmp.Write("f.ini", "old");
      ASSERT_EQ(::chmod(tmp.File("f.ini").c_str(), mode), 0);
      if (throughLink) fs::create_symlink("f.ini", tmp.path / "link.ini");
      std::string reason;
      EXPECT_TRUE(WriteWholeFileSafely(tmp.File(throughLink ? "link.ini" : "f.ini"), "new", &reason)) << reason;
      EXPECT_EQ(ModeOf(tmp.path / "f.ini"), mode) << std::oct << mode << (throughLink ? " through a link" : "");
      ::chmod(tmp.File("f.ini").c_str(), 0600);  // readable to check, whatever the mode
      EXPECT_EQ(tmp.Read("f.ini"), "new") << std::oct << mode;
      EXPECT_EQ(fs::is_symlink(tmp.path / "link.ini"), throughLink);
    }
  }
  // A new file gets what the user's umask gives any new file.
  TTempFolder tmp;
  const mode_t mask = ::umask(022);
  ::umask(mask);
  EXPECT_TRUE(WriteWholeFileSafely(tmp.File("new.ini"), "x"));
  EXPECT_EQ(ModeOf(tmp.path / "new.ini"), 0666 & ~mask);
  // Another user's file keeps its owner where the system lets us give it (the superuser).
  if (::geteuid() == 0) {
    tmp.Write("theirs.ini", "old");
    ASSERT_EQ(::chown(tmp.File("theirs.ini").c_str(), 4321, 4321), 0);
    EXPECT_TRUE(WriteWholeFileSafely(tmp.File("theirs.ini"), "new"));
    struct stat st {};
    ::stat(tmp.File("theirs.ini").c_str(), &st);
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 4321u);
  }
}

// A file the user may not write, and whatever is no regular file, is refused with its reason;
// nothing changes, and nothing is left beside it.
TEST(FileSaving, AFileTheUserMayNotWriteIsRefusedAndLeftAsItWas) {
  struct Case {
    const char* what;
    std::function<void(TTempFolder&)> make;  // makes what stands at "target.fxp"
    const char* reason;
  };
  const Case cases[] = {
      {"read-only", [](TTempFolder& t) { t.Write("target.fxp", "old"), ::chmod(t.File("target.fxp").c_str(), 0444); },
       "the file is read-only"},
      {"read-only for everyone, executable",
       [](TTempFolder& t) { t.Write("target.fxp", "old"), ::chmod(t.File("target.fxp").c_str(), 0555); },
       "the file is read-only"},
      {"a link to a read-only file",
       [](TTempFolder& t) {
         t.Write("real.fxp", "old"), ::chmod(t.File("real.fxp").c_str(), 0400);
         fs::create_symlink("real.fxp", t.path / "target.fxp");
       },
       "the file is read-only"},
      {"a folder", [](TTempFolder& t) { fs::create_directory(t.path / "target.fxp"); }, "not a regular file"},
      {"a FIFO", [](TTempFolder& t) { ::mkfifo(t.File("target.fxp").c_str(), 0644); }, "not a regular file"},
  };
  for (const Case& c : cases) {
    TTempFolder tmp;
    c.make(tmp);
    const auto before = fs::symlink_status(tmp.path / "target.fxp").type();
    std::string reason;
    EXPECT_FALSE(WriteWholeFileSafely(tmp.File("target.fxp"), "new", &reason)) << c.what;
    EXPECT_NE(reason.find(c.reason), std::string::npos) << c.what << ": " << reason;
    EXPECT_EQ(reason.find('\n'), std::string::npos) << "one line";
    EXPECT_EQ(fs::symlink_status(tmp.path / "target.fxp").type(), before) << c.what;
    for (const auto& entry : fs::directory_iterator(tmp.path))
      if (fs::is_regular_file(fs::symlink_status(entry.path()))) {
        ::chmod(entry.path().c_str(), 0600);
        EXPECT_EQ(tmp.Read(entry.path().filename().string()), "old") << c.what;
      }
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(tmp.path)) ++entries;
    EXPECT_EQ(entries, std::string(c.what).find("link") != std::string::npos ? 2 : 1) << c.what << ": nothing left beside";
  }
}

// The new file is made under a name nobody uses, never through a link: a user's own "NAME.tmp"
// and whatever a link at that name leads to stay as they were, and saves of one file at once
// never meet.
TEST(FileSaving, TheNewFileNeverTouchesAnotherFile) {
  TTempFolder tmp;
  tmp.Write("a.fxb", "old");
  tmp.Write("a.fxb.tmp", "the user's own");
  tmp.Write("victim.txt", "keep me");
  tmp.Write("b.fxb", "old");
  fs::create_symlink("victim.txt", tmp.path / "b.fxb.tmp");
  EXPECT_TRUE(WriteWholeFileSafely(tmp.File("a.fxb"), "new a"));
  EXPECT_TRUE(WriteWholeFileSafely(tmp.File("b.fxb"), "new b"));
  EXPECT_EQ(tmp.Read("a.fxb"), "new a");
  EXPECT_EQ(tmp.Read("a.fxb.tmp"), "the user's own");
  EXPECT_EQ(tmp.Read("b.fxb"), "new b");
  EXPECT_FALSE(fs::is_symlink(tmp.path / "b.fxb")) << "the link at NAME.tmp was not renamed over the target";
  EXPECT_TRUE(fs::is_symlink(tmp.path / "b.fxb.tmp"));
  EXPECT_EQ(tmp.Read("victim.txt"), "keep me");

  std::vector<std::thread> savers;
  for (int i = 0; i < 8; ++i)
    savers.emplace_back([&tmp, i] {
      for (int n = 0; n < 25; ++n) EXPECT_TRUE(WriteWholeFileSafely(tmp.File("c.fxb"), std::string(1000, 'a' + i)));
    });
  for (std::thread& t : savers) t.join();
  const std::string c = tmp.Read("c.fxb");
  EXPECT_EQ(c, std::string(1000, c.empty() ? '?' : c[0])) << "one save whole";
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(tmp.path)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.fxb", "a.fxb.tmp", "b.fxb", "b.fxb.tmp", "c.fxb", "victim.txt"}))
      << "nothing left beside";
}

// A failed save removes what it made; the old file stays.
TEST(FileSaving, AFailedSaveLeavesNothingBehind) {
  TTempFolder tmp;
  tmp.Write("f.ini", "old");
  TFileReplacement replacement;
  ASSERT_TRUE(replacement.Prepare(tmp.File("f.ini"), std::vector<uint8_t>{'n', 'e', 'w'}));
  EXPECT_TRUE(fs::exists(replacement.TemporaryName()));
  EXPECT_EQ(fs::path(replacement.TemporaryName()).parent_path(), tmp.path) << "beside the target";
  fs::remove(tmp.path / "f.ini");
  fs::create_directory(tmp.path / "f.ini");  // a folder took the target's place meanwhile
  std::string reason;
  EXPECT_FALSE(replacement.Commit(&reason));
  EXPECT_NE(reason.find("cannot replace"), std::string::npos) << reason;
  EXPECT_FALSE(fs::exists(replacement.TemporaryName()));
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(tmp.path)) ++entries;
  EXPECT_EQ(entries, 1);

  // Never committed: removed with its holder.
  std::string name;
  {
    TFileReplacement abandoned;
    ASSERT_TRUE(abandoned.Prepare(tmp.File("g.ini"), std::vector<uint8_t>{'x'}));
    name = abandoned.TemporaryName();
    EXPECT_TRUE(fs::exists(name));
  }
  EXPECT_FALSE(fs::exists(name));
  EXPECT_FALSE(fs::exists(tmp.path / "g.ini"));
}

}  // namespace
#endif
