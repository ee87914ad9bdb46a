#pragma once
// UTF-8 text measured as UIKit measures it for edit ranges: in UTF-16 code
// units. Edits happen at the end of the text, one character at a time.
#include <cstddef>
#include <string>

#include "foundation/NSRange.h"

namespace TextEditing {

inline bool isContinuationByte(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// Code points from U+10000 (four UTF-8 bytes) take two UTF-16 units.
inline std::size_t utf16Length(const std::string& text) {
  std::size_t units = 0;
  for (char byte : text) {
    if (isContinuationByte(byte)) continue;
    units += (static_cast<unsigned char>(byte) >= 0xF0) ? 2 : 1;
  }
  return units;
}

// Where the last character starts, in bytes; the text's size when empty.
inline std::size_t lastCharacterStart(const std::string& text) {
  std::size_t start = text.size();
  while (start > 0 && isContinuationByte(text[--start])) {
  }
  return start;
}

// The range that appending at the end replaces (empty, at the end).
inline NSRange appendRange(const std::string& text) { return NSMakeRange(utf16Length(text), 0); }

// The range of the last character.
inline NSRange lastCharacterRange(const std::string& text) {
  std::size_t units = utf16Length(text.substr(lastCharacterStart(text)));
  return NSMakeRange(utf16Length(text) - units, units);
}

// Appends the character when allow(range, replacement) agrees; true when applied.
template <class Allow>
bool appendCharacter(std::string& text, const std::string& character, Allow&& allow) {
  if (!allow(appendRange(text), character)) return false;
  text += character;
  return true;
}

// Removes the last character when allow(range, "") agrees; false for an empty text.
template <class Allow>
bool deleteLastCharacter(std::string& text, Allow&& allow) {
  if (text.empty() || !allow(lastCharacterRange(text), std::string())) return false;
  text.erase(lastCharacterStart(text));
  return true;
}

}  // namespace TextEditing
