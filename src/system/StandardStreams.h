#pragma once

namespace velnor {

// Fills whichever of descriptors 0, 1 and 2 a program was started without, so that no file
// the program opens later (a port, a socket, a settings file) lands on one of them and takes
// what was meant for standard input, output or error. Each is held by /dev/null opened for
// reading only: standard input reads as empty, and a write to standard output or error fails
// as it would have on the closed descriptor, so a program still learns that its output is
// lost. Call it first thing in main, before anything opens a file.
void holdStandardStreams();

// Whether descriptor fd writes into a pipe or socket nobody reads any more (a `| head -1` that
// has had its line): the next write would fail, but a program that has nothing to write yet
// learns it here without writing.
bool readerGone(int fd);

} // namespace velnor
