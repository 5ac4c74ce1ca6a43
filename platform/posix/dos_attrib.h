// The user.DOSATTRIB extended attribute, where Samba and Wine keep Windows attributes on file
// systems that have none: hex text ("0x22", with or without a NUL) or Samba's NDR blob.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orm::posix {

// The attribute value stored in blob, read as Samba reads it: the text form (with or without
// "0x", with or without a NUL), the text of a version 1 to 3 blob, or the attribute field of a
// version 4 or 5 blob that marks it valid. nullopt for empty or malformed bytes (such as the
// single byte a mistaken `setfattr -v 0x22` stores).
std::optional<std::uint32_t> ParseDosAttrib(std::string_view blob);

// The bytes to store for value where previous was stored before (empty when nothing was): a
// version 4 or 5 blob keeps every byte but its attribute field, so Samba's creation time
// survives; anything else becomes the text "0x%x" without a NUL, the form Samba and Wine read.
std::string EncodeDosAttrib(std::string_view previous, std::uint32_t value);

}  // namespace orm::posix
