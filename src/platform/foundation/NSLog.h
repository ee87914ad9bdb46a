#pragma once
// NSLog: one line on standard error in Apple's form
//   2026-12-06 07:00:00.123 Preferences[pid:tid] message
// Tests install a sink to capture the messages.
#include <functional>
#include <string>
#include <string_view>

#include "foundation/NSString.h"

// Receives the message (without the date and process prefix) and the whole line.
using NSLogSink = std::function<void(const std::string& message, const std::string& line)>;

// Installs a sink in place of standard error; an empty function restores it.
void setNSLogSink(NSLogSink sink);

void NSLogMessage(const std::string& message);

template <class... Args>
void NSLog(std::string_view format, const Args&... arguments) {
  NSLogMessage(stringWithFormat(format, arguments...));
}
