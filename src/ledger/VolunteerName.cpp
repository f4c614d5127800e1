#include "ledger/VolunteerName.h"

#include <cstdint>

// The UTF-8 is decoded strictly (no overlong forms, no surrogates, nothing
// past U+10FFFF), so that one name has one spelling in bytes and the UNIQUE
// index of the names means one volunteer. Control characters (C0, DEL, C1)
// and the line and paragraph separators are refused: a name must stay on its
// line in the status, the CSV and the page.

namespace {

constexpr size_t kLongestName = 64;

// Decodes the character at text[*at], advancing *at; false when the bytes
// there are not UTF-8.
bool Decode(const std::string& text, size_t* at, uint32_t* code) {
  const unsigned char lead = static_cast<unsigned char>(text[*at]);
  size_t length;
  uint32_t value;
  uint32_t least;
  if (lead < 0x80) {
    length = 1, value = lead, least = 0;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, value = lead & 0x1F, least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, value = lead & 0x0F, least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, value = lead & 0x07, least = 0x10000;
  } else {
    return false;
  }
  if (*at + length > text.size()) return false;
  for (size_t i = 1; i < length; ++i) {
    const unsigned char next = static_cast<unsigned char>(text[*at + i]);
    if ((next & 0xC0) != 0x80) return false;
    value = (value << 6) | (next & 0x3F);
  }
  if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
  *at += length;
  *code = value;
  return true;
}

bool Printable(uint32_t code) {
  if (code < 0x20 || (code >= 0x7F && code < 0xA0)) return false;
  return code != 0x2028 && code != 0x2029;
}

}  // namespace

std::string VolunteerNameFault(const std::string& name) {
  if (name.empty()) return "it is empty";
  size_t characters = 0;
  for (size_t at = 0; at < name.size();) {
    uint32_t code;
    if (!Decode(name, &at, &code)) return "it is not UTF-8 text";
    if (!Printable(code)) return "it holds a control character";
    ++characters;
  }
  if (characters > kLongestName) {
    return "it is longer than " + std::to_string(kLongestName) + " characters";
  }
  return "";
}
