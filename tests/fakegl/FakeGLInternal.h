// What the fake's two halves share and the tests do not need.
#pragma once

namespace fakegl {

// Appends one call's text, when recording.
void Record(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Notes a misuse of an object, unless one was noted already.
void Fault(const char* what, unsigned name);
// A fresh object name, shared by every kind of object.
unsigned NewName();

}  // namespace fakegl
