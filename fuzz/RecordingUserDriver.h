#pragma once
// The action fuzzer's stand-in for the user driver (RecordingUserDriver.cpp
// defines UserDriver's actions): each action counts one call and does nothing.

// The actions run since the last call, and starts counting afresh.
int takeRecordedDriverCalls();
