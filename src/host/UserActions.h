#pragma once
// A user action as the browser sends it, applied through the user driver:
//   {"action": "tapRow", "id": "s0r0"}, {"action": "scroll", "offset": 440}, ...
// Each action maps onto one UserDriver call, except "editText", which brings a
// row's text field to the text the browser's input now holds by deleting back
// to the common start and typing the rest, one character at a time through the
// field's delegate as a person's keystrokes would, and "sendMail", which
// takes the sheet's "subject" and "body" as the person left them, if given,
// and "endEditing" with a "text" (a tab closing while a field is edited),
// which brings the field "id" to that text as "editText" does, then ends editing.
// Runs on the main thread. Throws std::invalid_argument for an unknown action,
// a missing argument, or an element that is not on screen.
#include <nlohmann/json.hpp>

class UserDriver;

void performUserAction(UserDriver& driver, const nlohmann::json& action);
