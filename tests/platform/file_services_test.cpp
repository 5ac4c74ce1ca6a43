// The Linux file services on a real volume. ORMAVELL_TEST_VOLUME names a folder of the volume
// under test and ORMAVELL_TEST_KIND what it is (local, tmpfs, ntfs, fat); without them the
// tests run in the system's temporary folder as "local". They mount folders (bind mounts, a
// small tmpfs) in a private mount namespace, so they need root.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_services.h"
#include "platform/posix/volume.h"
#include "tests/common/mounts.h"
#include "tests/common/temp_names.h"
#include "tests/common/test_files.h"

namespace orm {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using test::Mount;
using test::ReadBytes;
using test::TempDir;
using test::U8Path;
using test::WriteBytes;

constexpr std::uint32_t R = kAttrReadOnly, H = kAttrHidden, S = kAttrSystem, D = kAttrDirectory,
                        A = kAttrArchive, kLink = kAttrReparsePoint;

// What a volume kind does on its own, as the tests must expect it.
struct VolumeKind {
  std::string name;
  std::uint32_t new_file;    // attributes of a file just created
  std::uint32_t new_folder;  // and of a folder
  bool dos_attrib;           // attributes kept in user.DOSATTRIB
  bool links;                // symbolic and hard links can be made
  bool unix_modes;           // permission bits are kept
  bool case_insensitive;     // names are found without regard to case
  bool any_name_bytes;       // names need not be UTF-8
  bool named_pending;        // a deferred write's new content has a name of its own meanwhile
};

const VolumeKind& Kind() {
  static const VolumeKind kinds[] = {
      {"local", 0, D, true, true, true, false, true, false},
      {"tmpfs", 0, D, true, true, true, false, true, false},
      {"ntfs", A, D | A, false, true, false, false, false, true},
      {"fat", A, D, false, false, false, false, false, true},  // iocharset=utf8
      {"fat-nocase", A, D, false, false, false, true, false, true},
  };
  const char* wanted = std::getenv("ORMAVELL_TEST_KIND");
  std::string name = wanted != nullptr ? wanted : "local";
  for (const VolumeKind& kind : kinds) {
    if (kind.name == name) return kind;
  }
  ADD_FAILURE() << "unknown ORMAVELL_TEST_KIND " << name;
  return kinds[0];
}

fs::path VolumeFolder() {
  const char* folder = std::getenv("ORMAVELL_TEST_VOLUME");
  return folder != nullptr ? fs::path(folder) : fs::temp_directory_path();
}

std::string Describe(const FileError& error) {
  return std::to_string(error.number) + " (errno " + std::to_string(error.os_error) + ")";
}

class VolumeTest : public ::testing::Test {
 protected:
  std::string At(const std::string& relative) const { return dir_ / relative; }
  void MakeFile(const std::string& relative, const std::string& bytes = "x") {
    WriteBytes(U8Path(At(relative)), bytes);
  }
  void MakeFolder(const std::string& relative) {
    ASSERT_TRUE(fs::create_directory(U8Path(At(relative)))) << relative;
  }

  // Right after a change the services answer from what they wrote; the second look reads the
  // disk, and both must agree.
  std::uint32_t Get(const std::string& relative) {
    std::uint32_t attributes = 0xDEAD, again = 0xBEEF;
    FileError error = files_.GetAttributes(At(relative), attributes);
    EXPECT_TRUE(error.ok()) << relative << ": " << Describe(error);
    EXPECT_TRUE(files_.GetAttributes(At(relative), again).ok()) << relative;
    EXPECT_EQ(attributes, again) << relative;
    return attributes;
  }
  void Set(const std::string& relative, std::uint32_t attributes) {
    FileError error = files_.SetAttributes(At(relative), attributes);
    EXPECT_TRUE(error.ok()) << relative << ": " << Describe(error);
  }

  // The names a listing delivers, sorted.
  std::vector<std::string> List(const std::string& pattern, std::uint32_t mask,
                                const std::string& folder = "") {
    std::unique_ptr<DirListing> listing;
    std::string full = (folder.empty() ? dir_.root() : At(folder) + "/") + pattern;
    FileError error = files_.OpenListing(full, mask, listing);
    EXPECT_TRUE(error.ok()) << full << ": " << Describe(error);
    std::vector<std::string> names;
    for (std::string name; listing && error.ok();) {
      error = listing->Next(name);
      EXPECT_TRUE(error.ok()) << Describe(error);
      if (name.empty()) break;
      names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  // Every name in the folder as the disk holds it, "." and ".." aside.
  std::vector<std::string> NamesOnDisk(const std::string& folder = "") {
    std::vector<std::string> names;
    for (const auto& entry :
         fs::directory_iterator(U8Path(folder.empty() ? dir_.root() : At(folder)))) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  FileServices& files_ = NativeFileServices();
  const VolumeKind& kind_ = Kind();
  TempDir dir_{VolumeFolder()};
};

using Names = std::vector<std::string>;

TEST_F(VolumeTest, AttributesRoundTripOnFilesAndFolders) {
  MakeFile("desktop.ini");
  MakeFolder("Games");
  for (std::uint32_t value : {R, H, S, A, H | S, R | H | S | A, H | S | A, 0u}) {
    Set("desktop.ini", value);
    EXPECT_EQ(Get("desktop.ini"), value);
    Set("Games", value);
    EXPECT_EQ(Get("Games"), value | D);
  }
  // The directory bit and bits above the four are not the caller's to set.
  Set("desktop.ini", D | H | 0x100);
  EXPECT_EQ(Get("desktop.ini"), H);
}

// The walk's order in each folder: its settings file looked up, the folder's own attributes
// read and changed, the folder listed. Every answer is the one the call gets alone.
TEST_F(VolumeTest, AFolderReadChangedAndListedInTheWalksOrderIsTheFolderAsked) {
  // Without a settings file, where the lookup reads the folder, and with one, where it does not.
  for (const std::string folder : {"Games", ".config", "Music"}) {
    MakeFolder(folder);
    MakeFile(folder + "/notes.txt");
    const Names listed = folder == "Music" ? Names{".", "..", "Desktop.INI", "notes.txt"}
                                           : Names{".", "..", "notes.txt"};
    if (folder == "Music") MakeFile(folder + "/Desktop.INI");
    Set(folder, S);
    const std::uint32_t alone = Get(folder);
    ASSERT_EQ(files_.ResolveNameCase(At(folder + "/Desktop.INI")), At(folder + "/Desktop.INI"));
    std::uint32_t walked = 0;
    ASSERT_TRUE(files_.GetAttributes(At(folder), walked).ok());
    EXPECT_EQ(walked, alone) << folder;
    ASSERT_TRUE(files_.SetAttributes(At(folder), (walked | R) & ~D).ok());
    EXPECT_EQ(List("*.*", kMaskAll, folder), listed) << folder;
    EXPECT_EQ(Get(folder), alone | R) << folder;
  }
}

// ntfs-3g shows empty and one-byte files with the system bit as FIFOs and sockets; they keep
// their attributes all the same, and a settings file of any size can be made plain again.
TEST_F(VolumeTest, TinySystemFilesKeepTheirAttributes) {
  MakeFile("empty.ini", "");
  MakeFile("one.ini", "x");
  for (const char* name : {"empty.ini", "one.ini"}) {
    Set(name, H | S);
    EXPECT_EQ(Get(name), H | S) << name;
    EXPECT_EQ(List(name, kMaskFiles), Names{name});
    Set(name, 0);
    EXPECT_EQ(Get(name), 0u) << name;
    EXPECT_EQ(ReadBytes(U8Path(At(name))).size(), std::string(name) == "one.ini" ? 1u : 0u);
  }
}

TEST_F(VolumeTest, EntriesWithNothingStoredShowWhatWindowsClientsSee) {
  MakeFile("plain.txt");
  MakeFolder("Folder");
  MakeFile(".profile");
  MakeFolder(".config");
  EXPECT_EQ(Get("plain.txt"), kind_.new_file);
  EXPECT_EQ(Get("Folder"), kind_.new_folder);
  if (kind_.dos_attrib) {
    // Samba's view: no read-only from the mode, no archive from the x bit, hidden dot names.
    MakeFile("readonly.txt");
    MakeFile("script.sh");
    fs::permissions(U8Path(At("readonly.txt")), fs::perms(0444));
    fs::permissions(U8Path(At("script.sh")), fs::perms(0755));
    EXPECT_EQ(Get("readonly.txt"), 0u);
    EXPECT_EQ(Get("script.sh"), 0u);
    EXPECT_EQ(Get(".profile"), H);
    EXPECT_EQ(Get(".config"), D | H);
    Set(".profile", 0);  // Samba hides dot names whatever is stored
    EXPECT_EQ(Get(".profile"), H);
  } else {
    EXPECT_EQ(Get(".profile"), kind_.new_file);
    EXPECT_EQ(Get(".config"), kind_.new_folder);
  }
}

TEST_F(VolumeTest, BitsTheFileSystemKeepsBeyondOursSurvive) {
  MakeFile("desktop.ini");
  MakeFolder("Games");
  std::string file = At("desktop.ini");
  if (kind_.dos_attrib) {
    // Offline (0x1000) is Samba's, not ours.
    ASSERT_EQ(setxattr(file.c_str(), "user.DOSATTRIB", "0x1020", 6, 0), 0);
    Set("desktop.ini", H | S);
    char raw[64] = {};
    ssize_t size = getxattr(file.c_str(), "user.DOSATTRIB", raw, sizeof raw);
    EXPECT_EQ(std::string(raw, size > 0 ? size : 0), "0x1006");

    // A blob Samba wrote keeps its creation time; only the attribute field changes.
    const std::string samba =
        "\x00\x00\x05\x00\x05\x00\x00\x00\x11\x00\x00\x00\x10\x00\x00\x00"
        "\x74\x93\x28\x07\x19\x86\xdd\x01"s;
    std::string folder = At("Games");
    ASSERT_EQ(setxattr(folder.c_str(), "user.DOSATTRIB", samba.data(), samba.size(), 0), 0);
    Set("Games", R);
    EXPECT_EQ(Get("Games"), R | D);
    size = getxattr(folder.c_str(), "user.DOSATTRIB", raw, sizeof raw);
    std::string expected = samba;
    expected[12] = '\x11';
    EXPECT_EQ(std::string(raw, size > 0 ? size : 0), expected);

    // The one byte a mistaken `setfattr -v 0x22` leaves is no value; a write mends it.
    ASSERT_EQ(setxattr(file.c_str(), "user.DOSATTRIB", "\x22", 1, 0), 0);
    EXPECT_EQ(Get("desktop.ini"), 0u);
    Set("desktop.ini", H);
    size = getxattr(file.c_str(), "user.DOSATTRIB", raw, sizeof raw);
    EXPECT_EQ(std::string(raw, size > 0 ? size : 0), "0x2");
  } else if (kind_.name == "ntfs") {
    // Not content indexed (0x2000) is kept by NTFS beside our four bits.
    const unsigned char indexed_archive[4] = {0, 0, 0x20, 0x20};
    ASSERT_EQ(setxattr(file.c_str(), "system.ntfs_attrib_be", indexed_archive, 4, 0), 0);
    Set("desktop.ini", H | S);
    unsigned char raw[4] = {};
    ASSERT_EQ(getxattr(file.c_str(), "system.ntfs_attrib_be", raw, 4), 4);
    EXPECT_EQ(std::vector<int>(raw, raw + 4), (std::vector<int>{0, 0, 0x20, 0x06}));
    EXPECT_EQ(Get("desktop.ini"), 0x2000 | H | S);
  } else {
    // vfat: the whole byte is set at once; the folder keeps its directory bit, and the root
    // (which can hold none) accepts what it already has.
    Set("Games", R | H);
    EXPECT_EQ(Get("Games"), D | R | H);
    std::uint32_t root = 0;
    ASSERT_TRUE(files_.GetAttributes(VolumeFolder().string(), root).ok());
    EXPECT_TRUE(files_.SetAttributes(VolumeFolder().string(), root).ok());
    EXPECT_EQ(files_.SetAttributes(VolumeFolder().string(), H).os_error, EINVAL);
  }
}

TEST_F(VolumeTest, SymbolicLinksAreReparsePointsAndNeverFolders) {
  MakeFolder("Target");
  MakeFile("target.jpg", "picture");
  Set("Target", H);
  int made = symlink("Target", At("LinkedFolder").c_str());
  if (!kind_.links) {
    // vfat cannot hold a link, so none can lead the walk astray there.
    EXPECT_NE(made, 0);
    return;
  }
  ASSERT_EQ(made, 0);
  ASSERT_EQ(symlink("target.jpg", At("linked.jpg").c_str()), 0);
  ASSERT_EQ(symlink("nowhere", At("dangling").c_str()), 0);
  ASSERT_EQ(symlink("Target", At(".hiddenlink").c_str()), 0);
  EXPECT_EQ(Get("LinkedFolder"), kLink);
  EXPECT_EQ(Get("LinkedFolder/"), kLink);
  EXPECT_EQ(Get("linked.jpg"), kLink);
  EXPECT_EQ(Get("dangling"), kLink);
  EXPECT_EQ(Get(".hiddenlink"), kLink);

  // Setting never reaches through a link.
  EXPECT_EQ(files_.SetAttributes(At("LinkedFolder"), 0).number, kErrPermissionDenied);
  EXPECT_EQ(Get("Target"), D | H);

  // Listings deliver links as files: the walk sees no folder to enter.
  EXPECT_EQ(List("*.*", kMaskFiles),
            (Names{".hiddenlink", "LinkedFolder", "dangling", "linked.jpg", "target.jpg"}));

  // Deleting a link deletes the link only.
  EXPECT_TRUE(files_.RemoveFile(At("linked.jpg")).ok());
  EXPECT_EQ(ReadBytes(U8Path(At("target.jpg"))), "picture");
}

TEST_F(VolumeTest, RootsOfOtherMountsAreReparsePointFolders) {
  MakeFolder("Mounted");
  MakeFolder("Elsewhere");
  MakeFile("Elsewhere/inside.txt");
  auto mounted = Mount::Bind(At("Elsewhere"), At("Mounted"), false);
  EXPECT_EQ(Get("Mounted") & (D | kLink), D | kLink);
  EXPECT_EQ(Get("Elsewhere") & kLink, 0u);
  EXPECT_EQ(List("Mounted", kMaskAll), Names{"Mounted"});
  EXPECT_EQ(List("Mounted", kMaskFiles), Names{});
  // A volume root lists no "." and "..", like a Windows drive root.
  EXPECT_EQ(List("*.*", kMaskAll, "Mounted"), Names{"inside.txt"});
  EXPECT_EQ(List("*.*", kMaskAll, "Elsewhere"), (Names{".", "..", "inside.txt"}));
}

TEST_F(VolumeTest, ListingsKnowEachEntrysKindAsGetAttributesReportsIt) {
  MakeFolder("Folder");
  MakeFile("file.txt");
  MakeFolder("Mounted");
  MakeFolder("Elsewhere");
  auto mounted = Mount::Bind(At("Elsewhere"), At("Mounted"), false);
  if (kind_.links) {
    ASSERT_EQ(symlink("Folder", At("link").c_str()), 0);
  }

  // Once as the folder is opened, once served by the entries a name-case lookup that found no
  // settings file has just read.
  for (bool looked_up : {false, true}) {
    if (looked_up) {
      ASSERT_EQ(files_.ResolveNameCase(At("Desktop.INI")), At("Desktop.INI"));
    }
    std::unique_ptr<DirListing> listing;
    ASSERT_TRUE(files_.OpenListing(dir_.root() + "*.*", kMaskAll, listing).ok());
    int compared = 0;
    for (std::string name; listing->Next(name).ok() && !name.empty();) {
      if (name == "." || name == "..") continue;
      std::optional<std::uint32_t> kind = listing->LastEntryKind();
      ASSERT_TRUE(kind.has_value()) << name;
      EXPECT_EQ(*kind, Get(name) & (D | kLink)) << name;
      ++compared;
    }
    EXPECT_EQ(compared, kind_.links ? 5 : 4) << looked_up;
  }
}

TEST_F(VolumeTest, ListingsFilterByMaskAndPattern) {
  MakeFile("plain.txt");
  MakeFile("hidden.txt");
  MakeFile("system.txt");
  MakeFile("readonly.txt");
  MakeFolder("Folder");
  MakeFolder("HiddenFolder");
  Set("plain.txt", 0);
  Set("hidden.txt", H);
  Set("system.txt", S | H);
  Set("readonly.txt", R);
  Set("HiddenFolder", H);

  Names files{"hidden.txt", "plain.txt", "readonly.txt", "system.txt"};
  EXPECT_EQ(List("*.*", kMaskFiles), files);
  EXPECT_EQ(List("*", kMaskFiles), files);
  Names all = files;
  all.insert(all.end(), {".", "..", "Folder", "HiddenFolder"});
  std::sort(all.begin(), all.end());
  EXPECT_EQ(List("*.*", kMaskAll), all);

  // Masks without hidden or system need each entry's attributes.
  auto without_dots = [](Names names) {
    std::erase_if(names, [](const std::string& n) { return n == "." || n == ".."; });
    return names;
  };
  EXPECT_EQ(without_dots(List("*.*", R | D | A)), (Names{"Folder", "plain.txt", "readonly.txt"}));
  EXPECT_EQ(without_dots(List("*.*", H | D | A)),
            (Names{"Folder", "HiddenFolder", "hidden.txt", "plain.txt"}));
  EXPECT_EQ(List("*.txt", H | S | A), (Names{"hidden.txt", "plain.txt", "system.txt"}));
}

TEST_F(VolumeTest, PatternsMatchWithoutRegardToCase) {
  for (const char* name : {"Ormavell.JPG", "ORMAVELL.png", "ormavell", "Ormavell2.jpg",
                           "xOrmavell.gif", "Обои.JPG", "noext"}) {
    MakeFile(name);
  }
  EXPECT_EQ(List("Ormavell.*", kMaskFiles), (Names{"ORMAVELL.png", "Ormavell.JPG", "ormavell"}));
  EXPECT_EQ(List("ormavell.jpg", kMaskFiles), Names{"Ormavell.JPG"});
  EXPECT_EQ(List("обои.jpg", kMaskFiles), Names{"Обои.JPG"});
  EXPECT_EQ(List("*.*", kMaskFiles).size(), 7u);
  EXPECT_EQ(List("?oext", kMaskFiles), Names{"noext"});
  if (kind_.any_name_bytes) {
    // Names that are no UTF-8 come back as the bytes on disk.
    MakeFile("bad\xff.jpg");
    EXPECT_EQ(List("bad*", kMaskFiles), Names{"bad\xff.jpg"});
  }
}

TEST_F(VolumeTest, ListingEndsCleanlyAndMissingFoldersAre76) {
  MakeFile("only.txt");
  std::unique_ptr<DirListing> listing;
  ASSERT_TRUE(files_.OpenListing(At("only.txt"), kMaskFiles, listing).ok());
  std::string name;
  ASSERT_TRUE(listing->Next(name).ok());
  EXPECT_EQ(name, "only.txt");
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(listing->Next(name).ok());
    EXPECT_EQ(name, "");
  }
  EXPECT_EQ(files_.OpenListing(At("gone/*.*"), kMaskAll, listing).number, kErrPathNotFound);
  EXPECT_EQ(listing, nullptr);
  EXPECT_EQ(files_.OpenListing(At("only.txt/*.*"), kMaskAll, listing).number, kErrPathNotFound);
}

// The walk lists every folder right after changing a file in it, and reads every settings
// file; neither must write an access time.
TEST_F(VolumeTest, ListingsAndReadsLeaveAccessTimesAlone) {
  MakeFolder("seen");
  MakeFile("seen/desktop.ini", "[a]\r\nk=v\r\n");
  const timespec times[2] = {{1000000000, 0}, {0, UTIME_OMIT}};
  for (const char* entry : {"seen/desktop.ini", "seen"}) {
    ASSERT_EQ(utimensat(AT_FDCWD, At(entry).c_str(), times, 0), 0) << std::strerror(errno);
  }
  struct stat folder {
  }, file{}, after{};
  ASSERT_EQ(stat(At("seen").c_str(), &folder), 0);
  ASSERT_EQ(stat(At("seen/desktop.ini").c_str(), &file), 0);
  EXPECT_EQ(List("*.*", kMaskFiles, "seen"), Names{"desktop.ini"});
  EXPECT_TRUE(files_.WriteProfileEntry(At("seen/desktop.ini"), "a", "k", "v").ok());
  // ntfs-3g keeps access times itself, whatever the kernel is asked.
  if (kind_.name != "ntfs") {
    ASSERT_EQ(stat(At("seen").c_str(), &after), 0);
    EXPECT_EQ(after.st_atim.tv_sec, folder.st_atim.tv_sec);
    ASSERT_EQ(stat(At("seen/desktop.ini").c_str(), &after), 0);
    EXPECT_EQ(after.st_atim.tv_sec, file.st_atim.tv_sec);
  }
}

TEST_F(VolumeTest, CopyReplacesAHiddenTargetWhole) {
  const std::string picture = "\xff\xd8\xff\xe0 picture\r\n\0 bytes"s;
  MakeFile("source.jpg", picture);
  MakeFile("Ormavell.jpg", "old picture");
  Set("Ormavell.jpg", H);
  ASSERT_TRUE(files_.CopyFileReplacing(At("source.jpg"), At("Ormavell.jpg")).ok());
  EXPECT_EQ(ReadBytes(U8Path(At("Ormavell.jpg"))), picture);
  EXPECT_EQ(NamesOnDisk(), (Names{"Ormavell.jpg", "source.jpg"}));
  // The new file has what a new file has; the caller hides it again.
  EXPECT_EQ(Get("Ormavell.jpg"), kind_.new_file);
  EXPECT_TRUE(files_.CopyFileReplacing(At("source.jpg"), At("new.jpg")).ok());
  EXPECT_EQ(ReadBytes(U8Path(At("new.jpg"))), picture);
  if (kind_.unix_modes) {
    // The replaced file keeps its permission bits and owner.
    fs::permissions(U8Path(At("Ormavell.jpg")), fs::perms(0640));
    ASSERT_EQ(chown(At("Ormavell.jpg").c_str(), 4321, 4322), 0);
    ASSERT_TRUE(files_.CopyFileReplacing(At("source.jpg"), At("Ormavell.jpg")).ok());
    struct stat copied {};
    ASSERT_EQ(stat(At("Ormavell.jpg").c_str(), &copied), 0);
    EXPECT_EQ(copied.st_mode & 07777, 0640u);
    EXPECT_EQ(copied.st_uid, 4321u);
    EXPECT_EQ(copied.st_gid, 4322u);
  }
}

TEST_F(VolumeTest, CopyOntoItselfChangesNothing) {
  MakeFolder("Sub");
  MakeFile("picture.jpg", "picture");
  struct stat before {};
  ASSERT_EQ(stat(At("picture.jpg").c_str(), &before), 0);
  EXPECT_TRUE(files_.CopyFileReplacing(At("picture.jpg"), At("picture.jpg")).ok());
  EXPECT_TRUE(files_.CopyFileReplacing(At("picture.jpg"), At("Sub/../picture.jpg")).ok());
  if (kind_.case_insensitive) {
    EXPECT_TRUE(files_.CopyFileReplacing(At("picture.jpg"), At("PICTURE.JPG")).ok());
  }
  if (kind_.links) {
    ASSERT_EQ(link(At("picture.jpg").c_str(), At("other-name.jpg").c_str()), 0);
    EXPECT_TRUE(files_.CopyFileReplacing(At("other-name.jpg"), At("picture.jpg")).ok());
    EXPECT_EQ(ReadBytes(U8Path(At("other-name.jpg"))), "picture");
  }
  struct stat after {};
  ASSERT_EQ(stat(At("picture.jpg").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(ReadBytes(U8Path(At("picture.jpg"))), "picture");
}

TEST_F(VolumeTest, CopyReplacesALinkAtTheTargetInsteadOfWritingThroughIt) {
  MakeFile("source.jpg", "new");
  MakeFile("victim.txt", "keep me");
  if (symlink("victim.txt", At("Ormavell.jpg").c_str()) != 0) {
    EXPECT_FALSE(kind_.links) << std::strerror(errno);
    return;
  }
  ASSERT_TRUE(files_.CopyFileReplacing(At("source.jpg"), At("Ormavell.jpg")).ok());
  EXPECT_FALSE(fs::is_symlink(U8Path(At("Ormavell.jpg"))));
  EXPECT_EQ(ReadBytes(U8Path(At("Ormavell.jpg"))), "new");
  EXPECT_EQ(ReadBytes(U8Path(At("victim.txt"))), "keep me");
}

TEST_F(VolumeTest, FailedCopiesReportTheirCauseAndLeaveNothingBehind) {
  MakeFile("source.jpg", "new");
  MakeFile("target.jpg", "old");
  MakeFolder("Folder");
  EXPECT_EQ(files_.CopyFileReplacing(At("missing.jpg"), At("target.jpg")).number, kErrFileNotFound);
  EXPECT_EQ(files_.CopyFileReplacing(At("gone/source.jpg"), At("target.jpg")).number,
            kErrPathNotFound);
  EXPECT_EQ(files_.CopyFileReplacing(At("source.jpg"), At("gone/target.jpg")).number,
            kErrPathNotFound);
  EXPECT_EQ(files_.CopyFileReplacing("   ", At("target.jpg")).number, kErrFileNotFound);
  EXPECT_EQ(files_.CopyFileReplacing(At("Folder"), At("target.jpg")).number, kErrPathFileAccess);
  if (kind_.unix_modes) {
    ASSERT_EQ(mkfifo(At("pipe").c_str(), 0600), 0);
    EXPECT_EQ(files_.CopyFileReplacing(At("pipe"), At("target.jpg")).number, kErrPathFileAccess);
    ASSERT_EQ(unlink(At("pipe").c_str()), 0);
  }
  EXPECT_EQ(files_.CopyFileReplacing(At("source.jpg"), At("Folder")).number, kErrPathFileAccess);
  EXPECT_EQ(files_.CopyFileReplacing(At("source.jpg"), At("Folder") + "/").number,
            kErrPathFileAccess);
  EXPECT_EQ(files_.CopyFileReplacing(At("source.jpg"), At("target\0.jpg"s)).number,
            kErrBadFileName);
  EXPECT_EQ(ReadBytes(U8Path(At("target.jpg"))), "old");
  EXPECT_EQ(NamesOnDisk(), (Names{"Folder", "source.jpg", "target.jpg"}));
  EXPECT_EQ(NamesOnDisk("Folder"), Names{});
}

TEST_F(VolumeTest, CopyThatRunsOutOfSpaceKeepsTheOldTarget) {
  MakeFile("big.jpg", std::string(1 << 20, 'p'));
  MakeFolder("Small");
  auto small = Mount::New("tmpfs", At("Small"), "size=64k");
  MakeFile("Small/Ormavell.jpg", "old");
  FileError error = files_.CopyFileReplacing(At("big.jpg"), At("Small/Ormavell.jpg"));
  EXPECT_EQ(error.number, kErrDiskFull) << Describe(error);
  EXPECT_EQ(ReadBytes(U8Path(At("Small/Ormavell.jpg"))), "old");
  EXPECT_EQ(NamesOnDisk("Small"), Names{"Ormavell.jpg"});
}

// ramfs keeps no extended attributes: nothing can be stored, and only what an entry shows
// anyway can be "set".
TEST_F(VolumeTest, VolumesThatStoreNoAttributesRefuseToSetThem) {
  MakeFolder("Ram");
  auto ram = Mount::New("ramfs", At("Ram"), "");
  MakeFile("Ram/plain.txt");
  MakeFile("Ram/.hidden");
  MakeFolder("Ram/Folder");
  EXPECT_EQ(Get("Ram/plain.txt"), 0u);
  EXPECT_EQ(Get("Ram/.hidden"), H);
  EXPECT_EQ(Get("Ram/Folder"), D);
  FileError refused = files_.SetAttributes(At("Ram/plain.txt"), H);
  EXPECT_EQ(refused.number, kErrPathFileAccess);
  EXPECT_EQ(refused.os_error, EOPNOTSUPP);
  EXPECT_EQ(files_.SetAttributes(At("Ram/Folder"), R).number, kErrPathFileAccess);
  EXPECT_TRUE(files_.SetAttributes(At("Ram/plain.txt"), 0).ok());
  EXPECT_TRUE(files_.SetAttributes(At("Ram/.hidden"), H).ok());
  EXPECT_EQ(Get("Ram/plain.txt"), 0u);
}

TEST_F(VolumeTest, RemoveDeletesAndReportsMissingFiles) {
  MakeFile("Ormavell.jpg");
  EXPECT_TRUE(files_.RemoveFile(At("Ormavell.jpg")).ok());
  EXPECT_EQ(NamesOnDisk(), Names{});
  FileError missing = files_.RemoveFile(At("Ormavell.jpg"));
  EXPECT_EQ(missing.number, kErrFileNotFound);
  EXPECT_EQ(missing.description, "Файл не найден");
  EXPECT_EQ(files_.RemoveFile(At("gone/Ormavell.jpg")).number, kErrPathNotFound);
  std::uint32_t attributes = 0;
  EXPECT_EQ(files_.GetAttributes(At("Ormavell.jpg"), attributes).number, kErrFileNotFound);
  EXPECT_EQ(files_.SetAttributes(At("gone/Ormavell.jpg"), H).number, kErrPathNotFound);
  // The same answers where the name-case lookup has just found no such file.
  ASSERT_EQ(files_.ResolveNameCase(At("Desktop.INI")), At("Desktop.INI"));
  EXPECT_EQ(files_.SetAttributes(At("Desktop.INI"), 0).number, kErrFileNotFound);
  EXPECT_EQ(files_.GetAttributes(At("Desktop.INI"), attributes).number, kErrFileNotFound);
}

// The engine's order for a settings file: look it up, change its attributes, write it. The
// change reaches the file whether the write that follows replaces it, changes nothing, or
// never comes.
TEST_F(VolumeTest, AChangeOfAttributesBeforeAWriteReachesTheFileWhateverTheWriteDoes) {
  const std::string file = At("desktop.ini");
  const std::vector<ProfileEdit> change = {{"a", "k", "new"}};
  const std::vector<ProfileEdit> none = {{"a", "missing", std::nullopt}};
  MakeFile("desktop.ini", "[a]\r\n");
  const std::vector<ProfileEdit>* const writes[] = {&change, &none, nullptr};
  // Asked by its own name, and by the name the engine asks for, found in another letter case;
  // a change of the read-only bit, and one of the bits a volume stores as they are given.
  for (const char* asked : {"desktop.ini", "Desktop.INI"}) {
    for (const std::uint32_t wanted : {R | H, H}) {
      for (const std::vector<ProfileEdit>* edits : writes) {
        Set("desktop.ini", H | S);
        const std::string found = files_.ResolveNameCase(At(asked));
        ASSERT_EQ(found, file);
        EXPECT_TRUE(files_.SetAttributes(found, wanted).ok());
        std::size_t applied = 0;
        if (edits != nullptr) {
          ASSERT_TRUE(files_.WriteProfileEntries(found, *edits, applied).ok());
        }
        EXPECT_EQ(Get("desktop.ini") & (R | H | S), wanted) << asked << (edits == &change);
        Set("desktop.ini", 0);
      }
    }
  }
  EXPECT_EQ(ReadBytes(U8Path(file)), "[a]\r\nk=new\r\n");
}

// The engine's step through a Folder: the settings file made plain, written (or left alone where
// nothing changes, or not written at all), and asked for its attributes in between. The change
// reaches the file that ends under the name, whatever the write did.
TEST_F(VolumeTest, AttributesSetThroughAFolderReachTheFileWhateverItsWriteDoes) {
  const std::vector<ProfileEdit> change = {{"a", "k", "new"}};
  const std::vector<ProfileEdit> none = {{"a", "missing", std::nullopt}};
  MakeFolder("f");
  MakeFile("f/desktop.ini", "[a]\r\n");
  const std::vector<ProfileEdit>* const writes[] = {&change, &none, nullptr};
  for (const std::vector<ProfileEdit>* edits : writes) {
    Set("f/desktop.ini", H | S);
    {
      std::unique_ptr<Folder> folder;
      ASSERT_TRUE(files_.OpenFolder(At("f") + "/", folder).ok());
      const std::string name = folder->ResolveNameCase("Desktop.INI");
      ASSERT_TRUE(folder->SetAttributes(name, 0).ok());
      std::uint32_t now = 0xDEAD;
      ASSERT_TRUE(folder->GetAttributes(name, now).ok());
      EXPECT_EQ(now & (R | H | S), 0u);
      std::size_t applied = 0;
      if (edits != nullptr) {
        ASSERT_TRUE(folder->WriteProfileEntries(name, *edits, applied).ok());
      }
    }
    EXPECT_EQ(Get("f/desktop.ini") & (R | H | S), 0u) << (edits == &change);
  }
  EXPECT_EQ(ReadBytes(U8Path(At("f/desktop.ini"))), "[a]\r\nk=new\r\n");
}

// A folder opened for a walk stays the folder it was: one moved away and replaced by a link to
// another folder still gets every call made through it, a subfolder that is a link by the time
// it is opened does not open, and nothing at all reaches the folder the link points to.
TEST_F(VolumeTest, FoldersOpenedForAWalkStayTheFoldersTheyWereWhateverTheTreeBecomes) {
  if (!kind_.links) GTEST_SKIP() << "no symbolic links on " << kind_.name;
  const std::string mine = "[.ShellClassInfo]\r\nInfoTip=Mine\r\n";
  MakeFolder("elsewhere");
  MakeFile("elsewhere/desktop.ini", mine);
  MakeFolder("root");
  MakeFolder("root/a");
  MakeFolder("root/a/b");
  std::unique_ptr<Folder> root, a, b, link;
  ASSERT_TRUE(files_.OpenFolder(At("root") + "/", root).ok());
  ASSERT_TRUE(root->OpenSubfolder("a", a).ok());
  fs::rename(U8Path(At("root/a")), U8Path(At("root/a-away")));
  fs::create_directory_symlink(U8Path(At("elsewhere")), U8Path(At("root/a")));

  const std::vector<ProfileEdit> edits = {{"s", "k", "v"}};
  std::size_t applied = 0;
  EXPECT_TRUE(a->WriteProfileEntries("desktop.ini", edits, applied).ok());
  EXPECT_TRUE(a->SetAttributes("desktop.ini", H | S).ok());
  EXPECT_TRUE(a->SetFolderAttributes(R).ok());
  ASSERT_TRUE(a->OpenSubfolder("b", b).ok());
  EXPECT_TRUE(b->WriteProfileEntries("desktop.ini", edits, applied).ok());

  const FileError refused = root->OpenSubfolder("a", link);
  EXPECT_FALSE(refused.ok());
  ASSERT_NE(link, nullptr);
  for (const FileError& error :
       {link->WriteProfileEntries("desktop.ini", edits, applied),
        link->SetAttributes("desktop.ini", 0), link->SetFolderAttributes(R)}) {
    EXPECT_EQ(Describe(error), Describe(refused));
  }
  std::unique_ptr<DirListing> listing;
  EXPECT_FALSE(link->OpenListing("*.*", kMaskAll, listing).ok());
  a.reset();
  b.reset();

  EXPECT_EQ(ReadBytes(U8Path(At("elsewhere/desktop.ini"))), mine);
  EXPECT_EQ(Get("elsewhere/desktop.ini"), kind_.new_file);
  EXPECT_EQ(Get("elsewhere"), kind_.new_folder);
  EXPECT_EQ(ReadBytes(U8Path(At("root/a-away/desktop.ini"))), "[s]\r\nk=v\r\n");
  EXPECT_EQ(ReadBytes(U8Path(At("root/a-away/b/desktop.ini"))), "[s]\r\nk=v\r\n");
  EXPECT_EQ(Get("root/a-away/desktop.ini") & (H | S), H | S);
  EXPECT_EQ(Get("root/a-away") & R, R);
}

// More folders than one run of deferred switches holds, each file handled in the engine's order
// (its attributes cleared, written, given new ones, its folder listed); each file written twice,
// the second write reading what the first left.
TEST_F(VolumeTest, DeferredWritesReachEveryFileWholeWithTheAttributesSetMeanwhile) {
  constexpr int kFolders = 300;
  const std::vector<ProfileEdit> edits = {{"a", "k", "new"}, {"b", "x", "1"}};
  const std::vector<ProfileEdit> again = {{"c", "y", "2"}};
  for (int i = 0; i < kFolders; ++i) {
    MakeFolder("f" + std::to_string(i));
    MakeFolder("f" + std::to_string(i) + "/sub");
    MakeFile("f" + std::to_string(i) + "/desktop.ini", "[a]\r\nk=old\r\n");
    Set("f" + std::to_string(i) + "/desktop.ini", H | S);
  }
  files_.DeferWrites();
  for (int i = 0; i < kFolders; ++i) {
    const std::string file = files_.ResolveNameCase(At("f" + std::to_string(i) + "/Desktop.INI"));
    ASSERT_TRUE(files_.SetAttributes(file, 0).ok()) << file;
    std::size_t applied = 0;
    ASSERT_TRUE(files_.WriteProfileEntries(file, edits, applied).ok()) << file;
    ASSERT_EQ(applied, edits.size());
    // Set after the content was written: the new file gets them, not the old one.
    ASSERT_TRUE(files_.SetAttributes(file, H | S).ok()) << file;
    EXPECT_EQ(Get("f" + std::to_string(i) + "/desktop.ini") & (R | H | S), H | S);
    const Names listed = List("*.*", kMaskAll, "f" + std::to_string(i));
    EXPECT_EQ(std::count(listed.begin(), listed.end(), "sub"), 1) << file;
    if (i == 0 || i == kFolders - 1) {
      ASSERT_TRUE(files_.WriteProfileEntries(file, again, applied).ok());
    }
    // The last file of the first full run, which the kernel may still be switching, is read as
    // that run leaves it.
    if (i == 257) {
      ASSERT_TRUE(files_.WriteProfileEntries(At("f255/desktop.ini"), again, applied).ok());
    }
  }
  EXPECT_EQ(files_.FinishWrites().failed, 0u);

  for (int i = 0; i < kFolders; ++i) {
    const std::string folder = "f" + std::to_string(i);
    EXPECT_EQ(ReadBytes(U8Path(At(folder + "/desktop.ini"))),
              "[a]\r\nk=new\r\n[b]\r\nx=1\r\n"s +
                  (i == 0 || i == 255 || i == kFolders - 1 ? "[c]\r\ny=2\r\n" : ""))
        << folder;
    // The NTFS driver turns archive on at a rename; the attributes set are given back.
    EXPECT_EQ(Get(folder + "/desktop.ini") & (R | H | S | A), H | S) << folder;
    EXPECT_EQ(NamesOnDisk(folder), (Names{"desktop.ini", "sub"})) << folder;
  }
}

// A switch that fails after the write returned (its file was swapped for a folder meanwhile)
// is counted when the writes finish, not dropped, and leaves no temporary file behind.
TEST_F(VolumeTest, AFailedDeferredSwitchIsCountedAndLeavesNoTemporaryFile) {
  const std::vector<ProfileEdit> edits = {{"a", "k", "new"}};
  for (const char* folder : {"f0", "f1", "f2"}) {
    MakeFolder(folder);
    MakeFile(std::string(folder) + "/desktop.ini", "[a]\r\nk=old\r\n");
  }
  files_.DeferWrites();
  std::size_t applied = 0;
  for (const char* folder : {"f0", "f1", "f2"}) {
    ASSERT_TRUE(
        files_.WriteProfileEntries(At(std::string(folder) + "/desktop.ini"), edits, applied).ok());
  }
  const bool deferred = ReadBytes(U8Path(At("f1/desktop.ini"))) == "[a]\r\nk=old\r\n";
  fs::remove(U8Path(At("f1/desktop.ini")));
  fs::create_directories(U8Path(At("f1/desktop.ini/kept")));
  const DeferredOutcome outcome = files_.FinishWrites();

  EXPECT_EQ(outcome.failed, deferred ? 1u : 0u) << Kind().name;
  EXPECT_EQ(outcome.first.number != 0, deferred);
  EXPECT_EQ(NamesOnDisk("f1"), Names{"desktop.ini"});
  EXPECT_TRUE(fs::is_directory(U8Path(At("f1/desktop.ini/kept"))));
  for (const char* folder : {"f0", "f2"}) {
    EXPECT_EQ(ReadBytes(U8Path(At(std::string(folder) + "/desktop.ini"))), "[a]\r\nk=new\r\n");
    EXPECT_EQ(NamesOnDisk(folder), Names{"desktop.ini"});
  }
}

TEST_F(VolumeTest, OnlyTheNamesOfItsOwnTemporaryFilesAreLeftovers) {
  for (const std::string& name : test::kOurTemporaryNames) {
    EXPECT_TRUE(files_.IsLeftoverTemporary(At(name), "Desktop.INI")) << name;
  }
  for (const std::string& name : test::kLookalikeNames) {
    EXPECT_FALSE(files_.IsLeftoverTemporary(At(name), "Desktop.INI")) << name;
  }
  // The temporary file of a write still pending is no leftover.
  MakeFile("desktop.ini", "[a]\r\n");
  files_.DeferWrites();
  std::size_t applied = 0;
  const std::vector<ProfileEdit> edits = {{"a", "k", "v"}};
  ASSERT_TRUE(files_.WriteProfileEntries(At("desktop.ini"), edits, applied).ok());
  // Where the new content has no name until its rename (O_TMPFILE) there is nothing to ask.
  std::size_t pending = 0;
  for (const std::string& name : NamesOnDisk()) {
    if (name != "desktop.ini") {
      ++pending;
      EXPECT_FALSE(files_.IsLeftoverTemporary(At(name), "Desktop.INI")) << name;
    }
  }
  EXPECT_EQ(pending, kind_.named_pending ? 1u : 0u);
  EXPECT_EQ(files_.FinishWrites().failed, 0u);
  EXPECT_EQ(NamesOnDisk(), Names{"desktop.ini"});
}

// On FAT a file's clusters are freed when its last descriptor closes, and the allocation table
// may reach the disk before the new entry: a replaced file closed too early lost the settings at
// a power cut. It stays open until its successor's entry is on the disk.
// Where the volume finds names whatever their case, a settings file missing as written is not
// looked for in other cases; where it does not, it is, and either way it is found.
TEST_F(VolumeTest, TheVolumeSaysWhetherNamesIgnoreCaseAndTheSettingsFileIsFoundEither) {
  MakeFile("a");  // vfat with iocharset=utf8 finds it as "A" and still tells case apart
  MakeFolder("F");
  MakeFile("F/DESKTOP.INI", "[a]\r\n");
  const int root = open(dir_.root().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(root, 0);
  EXPECT_EQ(posix::TraitsOfRoot(root).names_ignore_case, kind_.case_insensitive);
  close(root);
  std::unique_ptr<Folder> folder;
  ASSERT_TRUE(files_.OpenFolder(At("F") + "/", folder).ok());
  std::string bytes;
  EXPECT_TRUE(folder->ReadFile(folder->ResolveNameCase("desktop.ini"), bytes).ok());
  EXPECT_EQ(bytes, "[a]\r\n");
}

TEST_F(VolumeTest, AFileReplacedOnFatIsNotClosedBeforeItsSuccessorIsOnTheDisk) {
  MakeFile("desktop.ini", "[a]\r\n");
  files_.DeferWrites();
  std::size_t applied = 0;
  const std::vector<ProfileEdit> edits = {{"a", "k", "v"}};
  ASSERT_TRUE(files_.WriteProfileEntries(At("desktop.ini"), edits, applied).ok());
  bool held = false;
  for (const auto& fd : fs::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    held = held || fs::read_symlink(fd.path(), error) == fs::path(At("desktop.ini"));
  }
  EXPECT_EQ(held, Kind().name.starts_with("fat"));
  EXPECT_EQ(files_.FinishWrites().failed, 0u);
}

TEST_F(VolumeTest, ReadOnlyVolumeRefusesEveryChangeWith70) {
  MakeFolder("Locked");
  MakeFile("Locked/Ormavell.jpg", "old");
  MakeFile("source.jpg", "new");
  auto locked = Mount::Bind(At("Locked"), At("Locked"), true);
  std::uint32_t before = Get("Locked/Ormavell.jpg");
  for (const FileError& error : {
           files_.SetAttributes(At("Locked/Ormavell.jpg"), before ^ H),
           files_.CopyFileReplacing(At("source.jpg"), At("Locked/Ormavell.jpg")),
           files_.CopyFileReplacing(At("source.jpg"), At("Locked/new.jpg")),
           files_.RemoveFile(At("Locked/Ormavell.jpg")),
       }) {
    EXPECT_EQ(error.number, kErrPermissionDenied) << Describe(error);
    EXPECT_EQ(error.os_error, EROFS);
  }
  EXPECT_EQ(Get("Locked/Ormavell.jpg"), before);
  EXPECT_EQ(ReadBytes(U8Path(At("Locked/Ormavell.jpg"))), "old");
  EXPECT_EQ(NamesOnDisk("Locked"), Names{"Ormavell.jpg"});
  // Reading still works, and asking for what is already there changes nothing.
  EXPECT_TRUE(files_.SetAttributes(At("Locked/Ormavell.jpg"), before).ok());
  EXPECT_EQ(List("*.*", kMaskFiles, "Locked"), Names{"Ormavell.jpg"});
}

}  // namespace
}  // namespace orm
