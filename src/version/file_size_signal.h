#pragma once
// A write past the file-size limit (ulimit -f) would kill the program by default, with no word
// and a temporary file left behind. Ignored, the write fails with EFBIG instead, and the writer
// says which file was too big and removes what it began.
namespace FileSizeSignal {
// First thing in main. The setting is inherited by the processes the program starts.
void Ignore();
}  // namespace FileSizeSignal
