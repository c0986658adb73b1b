#pragma once
// The carried programs' fatal end (fatal_error.cpp) for a program run without a user to answer.

namespace vl {

// From now on a fatal error ends the program with exit code -1 without showing its box: a silent
// run must never wait on a box that no one will answer.
void SilenceFatalErrorBox() noexcept;

}  // namespace vl
