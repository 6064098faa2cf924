#include "io/file_io.h"

#include <algorithm>
#include <cerrno>

#ifdef _WIN32
#include <io.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

long faultAt = 0;
long operationCount = 0;

// Counts one write-side operation; false when the fault plan fails it.
bool Permitted() {
  ++operationCount;
  return faultAt == 0 || operationCount != faultAt;
}

bool ModeWrites(const char* mode) {
  for (const char* c = mode; *c != '\0'; ++c) {
    if (*c == 'w' || *c == 'a' || *c == '+') return true;
  }
  return false;
}

}  // namespace

std::size_t IoBlockBytes(std::int64_t remaining) {
  return static_cast<std::size_t>(std::clamp<std::int64_t>(remaining, 0, static_cast<std::int64_t>(IO_BLOCK_BYTES)));
}

std::unique_ptr<unsigned char[]> NewIoBlock(std::int64_t size) {
  return std::unique_ptr<unsigned char[]>(new unsigned char[std::max<std::size_t>(IoBlockBytes(size), 1)]);
}

void IoFailAt(long operation) {
  faultAt = operation;
  operationCount = 0;
}

long IoOperationCount() { return operationCount; }

void StreamCloser::operator()(std::FILE* file) const {
  if (file != nullptr) std::fclose(file);
}

Stream OpenStream(const std::string& path, const char* mode) {
  if (ModeWrites(mode) && !Permitted()) return Stream();
  Stream stream(std::fopen(path.c_str(), mode));
#ifndef _WIN32
  // A folder opens for reading here but nowhere else: it is no file. (It opens for no mode that writes.)
  struct stat status;
  if (stream && !ModeWrites(mode) && fstat(fileno(stream.get()), &status) == 0 && S_ISDIR(status.st_mode)) {
    return Stream();
  }
#endif
  // Every transfer here is already a large block or a whole header field; a
  // stream buffer would only split the blocks into unaligned system calls.
  if (stream) std::setvbuf(stream.get(), nullptr, _IONBF, 0);
  return stream;
}

bool CloseStream(Stream& stream) {
  std::FILE* file = stream.release();
  if (file == nullptr) return false;
  bool permitted = Permitted();
  bool closed = std::fclose(file) == 0;
  return permitted && closed;
}

bool SeekStream(std::FILE* file, std::int64_t offset) {
  if (!Permitted()) return false;
#ifdef _WIN32
  return _fseeki64(file, offset, SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

bool SeekStreamEnd(std::FILE* file) {
  if (!Permitted()) return false;
#ifdef _WIN32
  return _fseeki64(file, 0, SEEK_END) == 0;
#else
  return fseeko(file, 0, SEEK_END) == 0;
#endif
}

std::int64_t TellStream(std::FILE* file) {
#ifdef _WIN32
  return _ftelli64(file);
#else
  return static_cast<std::int64_t>(ftello(file));
#endif
}

std::int64_t MeasureStream(std::FILE* file) {
  if (!SeekStreamEnd(file)) return -1;
  std::int64_t size = TellStream(file);
  if (!SeekStream(file, 0)) return -1;
  return size;
}

std::int64_t MeasureFile(const std::string& path) {
  Stream file = OpenStream(path, "rb");
  if (!file) return -1;
  return MeasureStream(file.get());
}

bool FileReadable(const std::string& path) { return static_cast<bool>(OpenStream(path, "rb")); }

std::size_t ReadBytes(std::FILE* file, void* buffer, std::size_t size) { return std::fread(buffer, 1, size, file); }

bool ReadAt(std::FILE* file, std::int64_t offset, void* buffer, std::size_t size) {
  return SeekStream(file, offset) && ReadBytes(file, buffer, size) == size;
}

bool ReadAtMost(std::FILE* file, std::int64_t offset, void* buffer, std::size_t size) {
  if (!SeekStream(file, offset)) return false;
  ReadBytes(file, buffer, size);
  return true;
}

bool WriteBytes(std::FILE* file, const void* buffer, std::size_t size) {
  if (!Permitted()) return false;
  return std::fwrite(buffer, 1, size, file) == size;
}

bool WriteAt(std::FILE* file, std::int64_t offset, const void* buffer, std::size_t size) {
  return SeekStream(file, offset) && WriteBytes(file, buffer, size);
}

bool FlushStream(std::FILE* file) {
  if (!Permitted()) return false;
  return std::fflush(file) == 0;
}

bool CopyStreamBytes(std::FILE* in, std::FILE* out, std::int64_t size) {
  std::unique_ptr<unsigned char[]> block = NewIoBlock(size);
  while (size > 0) {
    std::size_t want = IoBlockBytes(size);
    std::size_t got = ReadBytes(in, block.get(), want);
    if (got != want || !WriteBytes(out, block.get(), got)) return false;
    size -= static_cast<std::int64_t>(got);
  }
  return true;
}

bool TruncateFile(const std::string& path, std::int64_t size) {
  if (!Permitted()) return false;
  std::FILE* file = std::fopen(path.c_str(), "rb+");
  if (file == nullptr) return false;
#ifdef _WIN32
  bool cut = _chsize_s(_fileno(file), size) == 0;
#else
  bool cut = ftruncate(fileno(file), static_cast<off_t>(size)) == 0;
#endif
  return std::fclose(file) == 0 && cut;
}

bool RemoveFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

bool RenameFile(const std::string& from, const std::string& to) {
  if (!Permitted()) return false;
  return std::rename(from.c_str(), to.c_str()) == 0;
}
