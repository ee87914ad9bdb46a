#pragma once
// What the keyboard sends to the first responder: one character at a time,
// and the delete key. Text fields and search bars take it.
#include <string>

class UIKeyInput {
 public:
  virtual ~UIKeyInput() = default;
  // True when the text changed (the delegate may refuse).
  virtual bool insertText(const std::string& character) = 0;
  virtual bool deleteBackward() = 0;
  virtual bool hasText() const = 0;
};
