// The stream layer: every file the core reads or writes goes through these
// wrappers around the C standard streams, always in binary mode. They add
// three things the bare streams lack: large-block copies, sizes measured the
// same way everywhere, and a fault plan that tests use to make the n-th
// write-side operation fail as a full disk would.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

// Block size of every bulk transfer. A multiple of 1, 2, 3, 4 and 6 so that
// sample units never straddle two blocks.
constexpr std::size_t IO_BLOCK_BYTES = 1572864;

// The next block of a transfer that has remaining bytes left to move:
// IO_BLOCK_BYTES, or what is left when that is less (0 when nothing is).
std::size_t IoBlockBytes(std::int64_t remaining);
// A transfer buffer for moving size bytes: the first block's size, and at
// least a byte. Left uninitialised: every byte of it is read into before it
// is used.
std::unique_ptr<unsigned char[]> NewIoBlock(std::int64_t size);

struct StreamCloser {
  void operator()(std::FILE* file) const;
};
using Stream = std::unique_ptr<std::FILE, StreamCloser>;

// Opens path with a C stream mode ("rb", "wb", "rb+", "ab"). Modes that can
// write count as one write-side operation for the fault plan.
Stream OpenStream(const std::string& path, const char* mode);
// Closes the stream and reports whether the close succeeded (it flushes).
bool CloseStream(Stream& stream);

bool SeekStream(std::FILE* file, std::int64_t offset);
bool SeekStreamEnd(std::FILE* file);
std::int64_t TellStream(std::FILE* file);
// Size of an open stream; the position is put back at the start.
std::int64_t MeasureStream(std::FILE* file);
// Size of the file at path, or -1 when it cannot be opened for reading.
std::int64_t MeasureFile(const std::string& path);
bool FileReadable(const std::string& path);

// Reads up to size bytes; returns how many were read.
std::size_t ReadBytes(std::FILE* file, void* buffer, std::size_t size);
// Reads exactly size bytes at offset.
bool ReadAt(std::FILE* file, std::int64_t offset, void* buffer, std::size_t size);
// Reads what lies at offset, up to size bytes, leaving the rest of buffer as
// it was; false only when offset cannot be reached.
bool ReadAtMost(std::FILE* file, std::int64_t offset, void* buffer, std::size_t size);
bool WriteBytes(std::FILE* file, const void* buffer, std::size_t size);
bool WriteAt(std::FILE* file, std::int64_t offset, const void* buffer, std::size_t size);
bool FlushStream(std::FILE* file);

// Copies size bytes from in's current position to out's, in large blocks;
// false when the input ends early or a write fails.
bool CopyStreamBytes(std::FILE* in, std::FILE* out, std::int64_t size);
// Cuts the file at path back to size bytes.
bool TruncateFile(const std::string& path, std::int64_t size);
bool RemoveFile(const std::string& path);
// Gives the file at from the name to, which must be free (on Windows a rename
// never replaces a file). A write-side operation for the fault plan.
bool RenameFile(const std::string& from, const std::string& to);

// --- Fault plan (tests) ----------------------------------------------------
// Write-side operations are: opening in a mode that can write, each write,
// flush, seek, truncation and close. With IoFailAt(n), the n-th such
// operation from now fails, once; IoFailAt(0) turns the plan off.
// IoOperationCount() counts the operations since the last IoFailAt.
void IoFailAt(long operation);
long IoOperationCount();
