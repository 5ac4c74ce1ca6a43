// Profile (INI) edits on a file's bytes in memory, with the effect Windows'
// WritePrivateProfileString has on them: one line replaced, inserted or removed, every other
// byte kept. No I/O; the platform writers read and write the file around these functions.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/file_services.h"

namespace orm {

// Applies the edits in order to the bytes of a profile file, as the same single writes in
// order would leave them. exists says whether the file is there: a missing file has no
// bytes, is created by the first edit that writes a value, and never by a deletion.
// Returns true when the file must be written: its bytes changed or it was created.
//
// Encodings: bytes without a byte order mark are edited as opaque bytes (names match without
// regard to letter case for ASCII and for UTF-8 letters); FF FE is UTF-16LE and FE FF is
// UTF-16BE, both edited as UTF-16 and written back in their own byte order, the UTF-8 texts
// of the edits converted to it; EF BB BF is not recognised and stays part of the first line.
bool ApplyProfileEdits(std::string& bytes, bool& exists, std::span<const ProfileEdit> edits);

// One edit on the bytes of an existing file (an empty text is an empty file). Returns true
// when the bytes changed.
bool ApplyProfileEdit(std::string& bytes, const ProfileEdit& edit);

// The value of key in section as GetPrivateProfileString reads it from a file's bytes: the
// first section of that name, the first such key line in it, the value without the blanks
// around it and without one pair of matching outer quotes. A UTF-16 file's value comes as
// UTF-8; other bytes as they stand. nullopt where there is no such key.
std::optional<std::string> ReadProfileString(const std::string& bytes, std::string_view section,
                                             std::string_view key);

}  // namespace orm
