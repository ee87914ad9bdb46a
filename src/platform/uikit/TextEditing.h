#pragma once
// UTF-8 text measured as UIKit measures it for edit ranges: in UTF-16 code
// units. Edits happen at the end of the text, one character at a time, and
// each costs the size of that character, not of the whole text: the text
// keeps its UTF-16 length as it goes.
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "foundation/NSRange.h"

namespace TextEditing {

inline bool isContinuationByte(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// Code points from U+10000 (four UTF-8 bytes) take two UTF-16 units.
inline std::size_t utf16Length(std::string_view text) {
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

// A text field's text with its UTF-16 length.
class EditableText {
 public:
  const std::string& utf8() const { return text_; }
  std::size_t utf16Length() const { return units_; }
  bool empty() const { return text_.empty(); }

  // Setting the whole text measures it once.
  void assign(std::string text) {
    units_ = TextEditing::utf16Length(text);
    text_ = std::move(text);
  }

  // The range that appending at the end replaces (empty, at the end).
  NSRange appendRange() const { return NSMakeRange(units_, 0); }

  // The range of the last character.
  NSRange lastCharacterRange() const {
    const std::size_t units = TextEditing::utf16Length(std::string_view(text_).substr(lastCharacterStart(text_)));
    return NSMakeRange(units_ - units, units);
  }

  void append(const std::string& characters) {
    text_ += characters;
    units_ += TextEditing::utf16Length(characters);
  }

  void eraseLastCharacter() {
    units_ = lastCharacterRange().location;
    text_.erase(lastCharacterStart(text_));
  }

 private:
  std::string text_;
  std::size_t units_ = 0;
};

// Appends the character when allow(range, replacement) agrees; true when applied.
template <class Allow>
bool appendCharacter(EditableText& text, const std::string& character, Allow&& allow) {
  if (!allow(text.appendRange(), character)) return false;
  text.append(character);
  return true;
}

// Removes the last character when allow(range, "") agrees; false for an empty text.
template <class Allow>
bool deleteLastCharacter(EditableText& text, Allow&& allow) {
  if (text.empty() || !allow(text.lastCharacterRange(), std::string())) return false;
  text.eraseLastCharacter();
  return true;
}

}  // namespace TextEditing
