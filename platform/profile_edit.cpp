#include "platform/profile_edit.h"

#include <algorithm>

#include "platform/name_match.h"
#include "support/utf.h"

namespace orm {
namespace {

template <class Unit>
using Text = std::basic_string<Unit>;
template <class Unit>
using TextView = std::basic_string_view<Unit>;

// Blanks that Windows skips around names on the file side. The names passed in lose only
// spaces (see TrimSpaces): a tab in a parameter is part of the name.
template <class Unit>
bool IsBlank(Unit u) {
  return u == Unit(' ') || u == Unit('\t') || u == Unit('\v');
}

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// Our texts are UTF-8; a UTF-16 file receives them as UTF-16, with U+FFFD for any byte that is
// not UTF-8. Names read from a UTF-16 file are compared in UTF-8, a lone surrogate keeping its
// own code so that it equals nothing but itself.
Text<char> FromUtf8(std::string_view s, char) {
  return Text<char>(s);
}
Text<char16_t> FromUtf8(std::string_view s, char16_t) {
  return Utf8ToUtf16(s);
}

// A file without a byte order mark is opaque bytes: its names are compared as they stand,
// which folds ASCII letters, and UTF-8 letters where the file is UTF-8.
bool SameName(std::string_view in_file, std::string_view wanted) {
  return EqualNoCase(in_file, wanted);
}
bool SameName(std::u16string_view in_file, std::string_view wanted) {
  return EqualNoCase(Utf16ToUtf8(in_file), wanted);
}

// One line of the file: its text [begin, end) and its line break [end, next).
struct Line {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::size_t next = 0;
  bool has_break() const { return next > end; }
};

enum class Kind { kHeader, kKey, kOther };

// What a line means to the profile reader. Comments (';' first), blank lines and lines without
// '=' are kOther: they never match and are never deleted.
struct Parsed {
  Kind kind = Kind::kOther;
  std::size_t name_begin = 0;
  std::size_t name_end = 0;
  std::size_t value_begin = 0;  // just after the '=' of a key line
};

template <class Unit>
class Editor {
 public:
  Editor(Text<Unit>& text, bool has_bom) : t_(text), has_bom_(has_bom) {}

  std::optional<Text<Unit>> Read(std::string_view section, std::string_view key) const {
    std::optional<Section> sec = FindSection(TrimSpaces(section));
    if (!sec) return std::nullopt;
    for (std::size_t pos = sec->header.next; pos < sec->body_end;) {
      Line line = LineAt(pos);
      Parsed p = Parse(line);
      if (p.kind == Kind::kKey && NameIs(p, TrimSpaces(key))) {
        std::size_t b = p.value_begin;
        std::size_t e = line.end;
        while (b < e && IsBlank(t_[b])) ++b;
        while (e > b && IsBlank(t_[e - 1])) --e;
        if (e - b >= 2 && (t_[b] == Unit('"') || t_[b] == Unit('\'')) && t_[e - 1] == t_[b]) {
          ++b;
          --e;
        }
        return t_.substr(b, e - b);
      }
      pos = line.next;
    }
    return std::nullopt;
  }

  bool Apply(const ProfileEdit& edit) {
    std::string_view section = TrimSpaces(edit.section);
    if (!edit.key) return DeleteSection(section);
    std::string_view key = TrimSpaces(*edit.key);
    if (!edit.value) return DeleteKey(section, key);
    return WriteKey(section, key, *edit.value);
  }

 private:
  // The first line break at or after pos, or the end. (find_first_of would make a call per
  // unit to test it against the two breaks.)
  std::size_t BreakFrom(std::size_t pos) const {
    const std::size_t size = t_.size();
    while (pos < size && t_[pos] != Unit('\r') && t_[pos] != Unit('\n')) ++pos;
    return pos;
  }

  Line LineAt(std::size_t pos) const {
    Line line;
    line.begin = pos;
    line.end = BreakFrom(pos);
    line.next = line.end;
    if (line.next < t_.size()) {
      bool crlf = t_[line.next] == Unit('\r') && line.next + 1 < t_.size() &&
                  t_[line.next + 1] == Unit('\n');
      line.next += crlf ? 2 : 1;
    }
    return line;
  }

  Parsed Parse(const Line& line) const {
    Parsed p;
    std::size_t i = line.begin;
    while (i < line.end && IsBlank(t_[i])) ++i;
    if (i < line.end && t_[i] == Unit('[')) {
      // The name ends at the first ']'; a header without one runs to the end of the line.
      std::size_t b = i + 1;
      std::size_t e = b;
      while (e < line.end && t_[e] != Unit(']')) ++e;
      while (b < e && IsBlank(t_[b])) ++b;
      while (e > b && IsBlank(t_[e - 1])) --e;
      p.kind = Kind::kHeader;
      p.name_begin = b;
      p.name_end = e;
      return p;
    }
    if (i < line.end && t_[i] == Unit(';')) return p;
    std::size_t eq = i;
    while (eq < line.end && t_[eq] != Unit('=')) ++eq;
    if (eq == line.end) return p;
    std::size_t e = eq;
    while (e > i && IsBlank(t_[e - 1])) --e;
    p.kind = Kind::kKey;
    p.name_begin = i;
    p.name_end = e;
    p.value_begin = eq + 1;
    return p;
  }

  bool NameIs(const Parsed& p, std::string_view wanted) const {
    return SameName(TextView<Unit>(t_).substr(p.name_begin, p.name_end - p.name_begin), wanted);
  }

  // The first section of that name: its header line and where its body ends (the next header
  // line or the end of the file). Text before the first header belongs to no section.
  struct Section {
    Line header;
    std::size_t body_end = 0;
  };

  std::optional<Section> FindSection(std::string_view name) const {
    std::optional<Section> found;
    for (std::size_t pos = 0; pos < t_.size();) {
      Line line = LineAt(pos);
      Parsed p = Parse(line);
      if (p.kind == Kind::kHeader) {
        if (found) {
          found->body_end = line.begin;
          return found;
        }
        if (NameIs(p, name)) found = Section{line, t_.size()};
      }
      pos = line.next;
    }
    return found;
  }

  // New lines take the file's first line break; CRLF where the file has none.
  Text<Unit> LineBreak() const {
    std::size_t at = BreakFrom(0);
    if (at == t_.size()) return {Unit('\r'), Unit('\n')};
    if (t_[at] == Unit('\r') && at + 1 < t_.size() && t_[at + 1] == Unit('\n')) {
      return {Unit('\r'), Unit('\n')};
    }
    return {t_[at]};
  }

  bool WriteKey(std::string_view section, std::string_view key, std::string_view value) {
    const Text<Unit> br = LineBreak();
    const Text<Unit> new_value = FromUtf8(value, Unit());
    std::optional<Section> sec = FindSection(section);
    if (!sec) {
      Text<Unit> add;
      // A file that does not end with a line break gets one first; a byte order mark alone
      // counts as content, so "FF FE" becomes "FF FE \r\n[S]...".
      bool has_content = has_bom_ || !t_.empty();
      if (has_content && (t_.empty() || (t_.back() != Unit('\n') && t_.back() != Unit('\r')))) {
        add += br;
      }
      add += Unit('[');
      add += FromUtf8(section, Unit());
      add += Unit(']');
      add += br;
      add += FromUtf8(key, Unit());
      add += Unit('=');
      add += new_value;
      add += br;
      t_ += add;
      return true;
    }
    Line anchor = sec->header;
    for (std::size_t pos = sec->header.next; pos < sec->body_end;) {
      Line line = LineAt(pos);
      Parsed p = Parse(line);
      if (p.kind == Kind::kKey) {
        if (NameIs(p, key)) return ReplaceValue(line, p, new_value, br);
        anchor = line;
      }
      pos = line.next;
    }
    // After the last key line of the section: comments and blank lines that follow it stay
    // below the new line.
    Text<Unit> add;
    if (!anchor.has_break()) add += br;
    add += FromUtf8(key, Unit());
    add += Unit('=');
    add += new_value;
    add += br;
    t_.insert(anchor.next, add);
    return true;
  }

  // Everything up to and including the '=' stays as it is; the rest of the line becomes the
  // value. The line keeps its own line break, and the last line gets one when it has none.
  bool ReplaceValue(const Line& line, const Parsed& p, const Text<Unit>& value,
                    const Text<Unit>& br) {
    TextView<Unit> old = TextView<Unit>(t_).substr(p.value_begin, line.end - p.value_begin);
    if (old == value && line.has_break()) return false;
    bool add_break = !line.has_break();
    t_.replace(p.value_begin, line.end - p.value_begin, value);
    if (add_break) t_ += br;
    return true;
  }

  bool DeleteKey(std::string_view section, std::string_view key) {
    std::optional<Section> sec = FindSection(section);
    if (!sec) return false;
    for (std::size_t pos = sec->header.next; pos < sec->body_end;) {
      Line line = LineAt(pos);
      Parsed p = Parse(line);
      if (p.kind == Kind::kKey && NameIs(p, key)) {
        t_.erase(line.begin, line.next - line.begin);
        return true;
      }
      pos = line.next;
    }
    return false;
  }

  // The header and the key lines go; comments, blank lines and lines without '=' stay where
  // they are, since we never delete what we did not understand.
  bool DeleteSection(std::string_view section) {
    std::optional<Section> sec = FindSection(section);
    if (!sec) return false;
    Text<Unit> kept;
    for (std::size_t pos = sec->header.next; pos < sec->body_end;) {
      Line line = LineAt(pos);
      if (Parse(line).kind != Kind::kKey) kept.append(t_, line.begin, line.next - line.begin);
      pos = line.next;
    }
    t_.replace(sec->header.begin, sec->body_end - sec->header.begin, kept);
    return true;
  }

  Text<Unit>& t_;
  bool has_bom_;
};

enum class Encoding { kBytes, kUtf16Le, kUtf16Be };

Encoding Detect(const std::string& bytes) {
  if (bytes.size() >= 2) {
    auto b0 = static_cast<unsigned char>(bytes[0]);
    auto b1 = static_cast<unsigned char>(bytes[1]);
    if (b0 == 0xFF && b1 == 0xFE) return Encoding::kUtf16Le;
    if (b0 == 0xFE && b1 == 0xFF) return Encoding::kUtf16Be;
  }
  return Encoding::kBytes;
}

// A UTF-16 file is edited as code units between its byte order mark and a stray last byte
// (an odd length), which both stay where they are.
std::u16string Utf16Units(const std::string& bytes, bool big_endian) {
  std::u16string text((bytes.size() - 2) / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto lo = static_cast<unsigned char>(bytes[2 + 2 * i + (big_endian ? 1 : 0)]);
    auto hi = static_cast<unsigned char>(bytes[2 + 2 * i + (big_endian ? 0 : 1)]);
    text[i] = static_cast<char16_t>(lo | (hi << 8));
  }
  return text;
}

bool ApplyUtf16(std::string& bytes, bool big_endian, std::span<const ProfileEdit> edits) {
  std::u16string text = Utf16Units(bytes, big_endian);
  Editor<char16_t> editor(text, true);
  bool changed = false;
  for (const ProfileEdit& edit : edits) changed = editor.Apply(edit) || changed;
  if (!changed) return false;
  std::string out = bytes.substr(0, 2);
  out.reserve(2 + 2 * text.size() + 1);
  for (char16_t u : text) {
    char lo = static_cast<char>(u & 0xFF);
    char hi = static_cast<char>(u >> 8);
    out += big_endian ? hi : lo;
    out += big_endian ? lo : hi;
  }
  if (bytes.size() % 2 == 1) out += bytes.back();
  bytes = std::move(out);
  return true;
}

}  // namespace

bool ApplyProfileEdits(std::string& bytes, bool& exists, std::span<const ProfileEdit> edits) {
  if (!exists) bytes.clear();
  bool changed = false;
  switch (Detect(bytes)) {
    case Encoding::kUtf16Le:
      changed = ApplyUtf16(bytes, false, edits);
      break;
    case Encoding::kUtf16Be:
      changed = ApplyUtf16(bytes, true, edits);
      break;
    case Encoding::kBytes: {
      Editor<char> editor(bytes, false);
      for (const ProfileEdit& edit : edits) changed = editor.Apply(edit) || changed;
      break;
    }
  }
  // Deleting from nothing changes nothing, so a missing file behaves as an empty one until the
  // first write of a value creates it.
  bool created = !exists && std::any_of(edits.begin(), edits.end(), [](const ProfileEdit& e) {
    return e.key.has_value() && e.value.has_value();
  });
  if (created) exists = true;
  return changed || created;
}

std::optional<std::string> ReadProfileString(const std::string& bytes, std::string_view section,
                                             std::string_view key) {
  const Encoding encoding = Detect(bytes);
  if (encoding == Encoding::kBytes) {
    std::string text = bytes;
    return Editor<char>(text, false).Read(section, key);
  }
  std::u16string text = Utf16Units(bytes, encoding == Encoding::kUtf16Be);
  std::optional<std::u16string> value = Editor<char16_t>(text, true).Read(section, key);
  if (!value) return std::nullopt;
  return Utf16ToUtf8(*value);
}

bool ApplyProfileEdit(std::string& bytes, const ProfileEdit& edit) {
  bool exists = true;
  return ApplyProfileEdits(bytes, exists, std::span<const ProfileEdit>(&edit, 1));
}

}  // namespace orm
