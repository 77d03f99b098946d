#pragma once
// Descriptors 0, 1 and 2 kept taken. A program started with one of them closed would hand its
// number to the next file it opens (a pipe of Qt's, a port), and its output or messages would go
// into that file.
namespace StandardStreams {
// Opens /dev/null on each of 0, 1 and 2 that is closed. First thing in main, before anything
// opens a descriptor.
void Occupy();
// Standard output was closed when the program started: what goes there now is lost.
bool OutputWasClosed();
}  // namespace StandardStreams
