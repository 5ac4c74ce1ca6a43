// Generated files, checked against a line model kept apart from the writer: a write changes
// exactly the line it names or adds one line, a read-back finds the value, and batches,
// single writes and UTF-16 files all agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/profile_edit.h"
#include "tests/profile/profile_test_edits.h"

namespace orm {
namespace {

struct Line {
  std::string text;
  std::string end;  // "" only for a last line without a line end
  bool operator==(const Line&) const = default;
};

std::vector<Line> Split(const std::string& bytes, const std::string& br) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = bytes.find(br, pos);
    if (end == std::string::npos) {
      lines.push_back({bytes.substr(pos), ""});
      break;
    }
    lines.push_back({bytes.substr(pos, end - pos), br});
    pos = end + br.size();
  }
  return lines;
}

std::string Lower(std::string_view s, const char* trim) {
  std::size_t b = s.find_first_not_of(trim), e = s.find_last_not_of(trim);
  std::string out(b == std::string_view::npos ? "" : s.substr(b, e - b + 1));
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// The reader: the header index of the first section of that name, and the index of its first
// key line of that name (both -1 when missing).
struct Found {
  int header = -1;
  int key = -1;
  int last_key = -1;
};

Found Find(const std::vector<Line>& lines, const std::string& section, const std::string& key) {
  Found f;
  for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
    std::string_view t = lines[i].text;
    std::size_t first = t.find_first_not_of(" \t\v");
    if (first != std::string_view::npos && t[first] == '[') {
      if (f.header >= 0) break;
      std::string_view name = t.substr(first + 1, t.find(']', first) - first - 1);
      if (Lower(name, " \t\v") == Lower(section, " ")) f.header = i;
    } else if (f.header >= 0 && first != std::string_view::npos && t[first] != ';' &&
               t.find('=') != std::string_view::npos) {
      f.last_key = i;
      if (f.key < 0 && Lower(t.substr(0, t.find('=')), " \t\v") == Lower(key, " ")) f.key = i;
    }
  }
  return f;
}

class Generator {
 public:
  explicit Generator(unsigned seed) : random_(seed) {}

  std::string File(const std::string& br) {
    std::string out;
    int count = Pick(12);
    for (int i = 0; i < count; ++i) {
      switch (Pick(6)) {
        case 0:
          out += Pad() + "[" + Pad() + Name() + Pad() + "]" + Choose({"", " ;x", "]"});
          break;
        case 1:
        case 2:
          out += Pad() + Name() + Pad() + "=" + Value();
          break;
        case 3:
          out += Pad() + ";" + Name() + "=" + Value();
          break;
        default:
          out += Choose({"", "word", "  "});
      }
      if (i + 1 < count || Pick(3) > 0) out += br;
    }
    return out;
  }

  ProfileEdit Edit(bool deletions) {
    std::string section = Choose({"", " "}) + Name() + Choose({"", " "});
    std::string key = Choose({"", " "}) + Name();
    if (deletions && Pick(5) == 0) return {section, std::nullopt, std::nullopt};
    if (deletions && Pick(4) == 0) return {section, key, std::nullopt};
    return {section, key, Value()};
  }

  std::string Break() { return Choose({"\r\n", "\n", "\r"}); }

 private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
  std::string Choose(std::initializer_list<const char*> options) {
    return *(options.begin() + Pick(static_cast<int>(options.size())));
  }
  std::string Pad() { return Choose({"", "", " ", "\t", " \t "}); }
  // Few names in mixed case, so that duplicates and case-insensitive hits are common.
  std::string Name() {
    std::string name = Choose({"a", "b", "Key", "x y"});
    for (char& c : name) {
      if (Pick(2) == 0) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return name;
  }
  std::string Value() { return Choose({"", "1", "v=w", " spaced ", "0x00FFFFFF"}); }

  std::mt19937 random_;
};

TEST(ProfileProperty, AWriteChangesOneLineOrAddsOneAndADeletionRemovesOne) {
  Generator gen(20240611);
  for (int round = 0; round < 4000; ++round) {
    std::string br = gen.Break();
    std::string before = gen.File(br);
    ProfileEdit edit = gen.Edit(false);
    if (round % 4 == 0) edit.value.reset();
    std::string after = before;
    bool changed = ApplyProfileEdit(after, edit);

    std::vector<Line> model = Split(before, br);
    // New lines take the file's line end, CRLF where it has none yet.
    if (before.find(br) == std::string::npos) br = "\r\n";
    Found f = Find(model, edit.section, *edit.key);
    std::string key = edit.key->substr(edit.key->find_first_not_of(' '));
    if (!edit.value) {
      if (f.key >= 0) model.erase(model.begin() + f.key);
      EXPECT_EQ(changed, f.key >= 0) << "round " << round;
    } else if (f.key >= 0) {
      Line& line = model[f.key];
      line.text = line.text.substr(0, line.text.find('=') + 1) + *edit.value;
      if (line.end.empty()) line.end = br;
    } else if (f.header >= 0) {
      int at = std::max(f.header, f.last_key);
      if (model[at].end.empty()) model[at].end = br;
      model.insert(model.begin() + at + 1, Line{key + "=" + *edit.value, br});
    } else {
      if (!model.empty() && model.back().end.empty()) model.back().end = br;
      std::string section = edit.section.substr(edit.section.find_first_not_of(' '));
      section = section.substr(0, section.find_last_not_of(' ') + 1);
      model.push_back({"[" + section + "]", br});
      model.push_back({key + "=" + *edit.value, br});
    }
    std::vector<Line> actual = Split(after, br);
    ASSERT_EQ(actual, model) << "round " << round << ": " << testing::PrintToString(before)
                             << " -> " << testing::PrintToString(after);
    if (!edit.value) continue;
    Found back = Find(actual, edit.section, *edit.key);
    ASSERT_GE(back.key, 0) << "round " << round;
    EXPECT_EQ(actual[back.key].text.substr(actual[back.key].text.find('=') + 1), *edit.value);
  }
}

TEST(ProfileProperty, BatchesSingleWritesAndUtf16Agree) {
  Generator gen(99);
  for (int round = 0; round < 2000; ++round) {
    bool exists = round % 4 != 0;
    std::string before = exists ? gen.File(gen.Break()) : "";
    std::vector<ProfileEdit> edits(1 + round % 6);
    for (ProfileEdit& e : edits) e = gen.Edit(true);

    std::string batch = before;
    bool batch_exists = exists;
    bool batch_changed = ApplyProfileEdits(batch, batch_exists, edits);
    std::string single = before;
    bool single_exists = exists, single_changed = false;
    for (const ProfileEdit& e : edits) {
      single_changed = ApplyProfileEdits(single, single_exists, std::span(&e, 1)) || single_changed;
    }
    ASSERT_EQ(batch, single) << "round " << round;
    EXPECT_EQ(batch_exists, single_exists) << "round " << round;
    EXPECT_EQ(batch_changed, single_changed) << "round " << round;

    // A lone byte order mark gets a line end before a new section, so these files never
    // become empty: a comment line stays whatever the edits delete.
    std::string narrow = ";keep\r\n" + before;
    bool narrow_exists = true;
    ApplyProfileEdits(narrow, narrow_exists, edits);
    auto wide = [](const std::string& ascii, bool big_endian) {
      return (big_endian ? "\xFE\xFF" : "\xFF\xFE") +
             test::Utf16(std::u16string(ascii.begin(), ascii.end()), big_endian);
    };
    for (bool big_endian : {false, true}) {
      std::string bytes = wide(";keep\r\n" + before, big_endian);
      bool wide_exists = true;
      ApplyProfileEdits(bytes, wide_exists, edits);
      ASSERT_EQ(bytes, wide(narrow, big_endian)) << "round " << round;
    }
  }
}

}  // namespace
}  // namespace orm
