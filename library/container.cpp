#include "library/container.h"

#include <cstdlib>
#include <iterator>
#include <vector>

#include "io/byte_order.h"
#include "io/file_io.h"
#include "state/app_state.h"
#include "state/feedback.h"

namespace {

constexpr std::array<std::uint32_t, 256> MakeCrc32Table() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr const char* NAME_LINE_END = "\r\n";  // the same on every host, so lists are portable

std::int64_t RecordOffset(std::int64_t k) { return RECORD_BYTES * k; }

// Puts a name list back as it was: cut to its old size, or removed when the
// append created it.
void RestoreNameList(const std::string& path, std::int64_t oldSize) {
  if (oldSize < 0) {
    RemoveFile(path);
  } else {
    TruncateFile(path, oldSize);
  }
}

// Puts a ".kvf" back as it was before an append: its old length, entry count
// and the record slot that the append used.
void RestoreContainer(const std::string& path, std::int64_t oldSize, const unsigned char* oldCount, std::int64_t slot,
                      const unsigned char* oldRecord) {
  TruncateFile(path, oldSize);
  Stream kvf = OpenStream(path, "rb+");
  if (!kvf) return;
  WriteAt(kvf.get(), ENTRY_COUNT_OFFSET, oldCount, 4);
  WriteAt(kvf.get(), slot, oldRecord, RECORD_BYTES);
  CloseStream(kvf);
}

}  // namespace

const std::array<std::uint32_t, 256> crc32Table = MakeCrc32Table();

bool RecordIsEmpty(const unsigned char* bytes) {
  const EntryRecord record = DecodeRecord(bytes);
  return (record.nameKey | record.dataSize | record.dataStart | record.dataEnd) == 0;
}

EntryRecord DecodeRecord(const unsigned char* bytes) {
  EntryRecord record;
  record.nameKey = ReadU32Le(bytes);
  record.dataSize = ReadU32Le(bytes + 4);
  record.dataStart = ReadU32Le(bytes + 8);
  record.dataEnd = ReadU32Le(bytes + 12);
  return record;
}

void EncodeRecord(const EntryRecord& record, unsigned char* bytes) {
  WriteU32Le(bytes, record.nameKey);
  WriteU32Le(bytes + 4, record.dataSize);
  WriteU32Le(bytes + 8, record.dataStart);
  WriteU32Le(bytes + 12, record.dataEnd);
}

std::uint32_t ComputeNameCrc(const std::string& name) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : name) crc = crc32Table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
  return crc;
}

std::uint32_t NameKeyOf(std::uint32_t crc) { return crc >= KEY_TRIM_THRESHOLD ? crc & 0xFFFFFF00u : crc; }

std::string PlainHexText(std::uint32_t v) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  do {
    text.insert(text.begin(), digits[v & 0xF]);
    v >>= 4;
  } while (v != 0);
  return text;
}

std::string KeyText(std::uint32_t v) {
  std::string text = PlainHexText(v);
  return std::string(8 - text.size(), '0') + text;
}

std::string NameListPair(std::uint32_t crc, const std::string& name) {
  // Line 1 carries the full CRC; line 2 the CRC's first six hex digits and
  // "00", which is what an eight-digit name key (low byte cleared) matches.
  std::string quoted = " \"" + name + "\"";
  std::string line2Key = PlainHexText(crc).substr(0, 6) + "00";
  return " " + KeyText(crc) + quoted + NAME_LINE_END + " " + line2Key + quoted + NAME_LINE_END;
}

std::string CompanionDatPath(const std::string& kvfPath) {
  std::size_t dot = kvfPath.find_last_of('.');
  return (dot == std::string::npos ? kvfPath : kvfPath.substr(0, dot)) + ".dat";
}

std::string ContainerTitleOf(const std::string& kvfPath) {
  const std::string title = FileNameOf(kvfPath);
  std::size_t dot = title.find_last_of('.');
  return dot == std::string::npos ? title : title.substr(0, dot);
}

void ComputeEntryNameKey() {
  AppState& s = appState;
  std::uint32_t crc = ~ComputeNameCrc(s.logWavName);
  s.crcHexText = PlainHexText(crc);
  s.nameCrc = NameKeyOf(crc);
}

void LogEntryName() {
  AppState& s = appState;
  s.nameLogged = 0;
  s.nameSourceMode = FileReadable(s.datPath) ? 1 : 0;
  ComputeEntryNameKey();
  std::uint32_t crc = static_cast<std::uint32_t>(std::strtoul(s.crcHexText.c_str(), nullptr, 16));
  std::string pair = NameListPair(crc, s.logWavName);
  Stream list = OpenStream(s.nameSourceMode == 1 ? s.datPath : s.crcLogPath, "ab");
  if (list && WriteBytes(list.get(), pair.data(), pair.size()) && CloseStream(list)) s.nameLogged = 1;
  s.logWavName.clear();
}

void CreateEmptyContainerFiles() {
  AppState& s = appState;
  s.containerFilesWritten = 0;
  std::vector<unsigned char> empty(DATA_AREA_START, 0);
  for (std::size_t word = 0; word < std::size(CONTAINER_HEADER_WORDS); ++word) {
    WriteU32Le(&empty[4 * word], CONTAINER_HEADER_WORDS[word]);
  }
  Stream kvf = OpenStream(s.newContainerPath, "wb");
  bool kvfWritten = kvf && WriteBytes(kvf.get(), empty.data(), empty.size()) && CloseStream(kvf);
  if (!kvfWritten) {
    kvf.reset();
    RemoveFile(s.newContainerPath);
    return;
  }
  PlayFinishSound();
  Stream dat = OpenStream(s.newDatPath, "wb");
  if (!dat || !CloseStream(dat)) {
    dat.reset();
    RemoveFile(s.newContainerPath);
    RemoveFile(s.newDatPath);
    return;
  }
  s.containerFilesWritten = 1;
}

void AppendEntryToContainer() {
  AppState& s = appState;
  s.entryAppended = 0;
  ComputeEntryNameKey();

  Stream source = OpenStream(s.addWavPickedPath, "rb");
  std::int64_t sourceSize = source ? MeasureStream(source.get()) : -1;
  Stream kvf = sourceSize >= 0 ? OpenStream(s.loadedContainerPath, "rb+") : Stream();
  std::int64_t kvfSize = kvf ? MeasureStream(kvf.get()) : -1;
  unsigned char oldCount[4] = {};
  unsigned char oldRecord[RECORD_BYTES] = {};
  // Refuse before writing anything: a file too short to hold the index, a
  // full index, or a result beyond what the 32-bit offsets can address.
  bool accepted = kvfSize >= DATA_AREA_START && kvfSize + sourceSize <= MAX_CONTAINER_BYTES &&
                  ReadAt(kvf.get(), ENTRY_COUNT_OFFSET, oldCount, 4) && ReadU32Le(oldCount) < MAX_ENTRIES;
  std::uint32_t count = accepted ? ReadU32Le(oldCount) : 0;
  std::int64_t slot = RecordOffset(count + 1);
  if (!accepted || !ReadAt(kvf.get(), slot, oldRecord, RECORD_BYTES)) {
    s.logWavName.clear();
    return;
  }

  EntryRecord record;
  record.nameKey = s.nameCrc;
  record.dataSize = static_cast<std::uint32_t>(sourceSize);
  record.dataStart = static_cast<std::uint32_t>(kvfSize);
  record.dataEnd = static_cast<std::uint32_t>(kvfSize + sourceSize);
  unsigned char recordBytes[RECORD_BYTES];
  EncodeRecord(record, recordBytes);
  unsigned char newCount[4];
  WriteU32Le(newCount, count + 1);

  std::string listPath = FileReadable(s.datPath) ? s.datPath : s.crcLogPath;
  std::int64_t listSize = MeasureFile(listPath);

  // Data first, then the record and the count, then the names: a failure at
  // any step is undone below, so the container never shows a partial entry.
  bool stored = SeekStreamEnd(kvf.get()) && CopyStreamBytes(source.get(), kvf.get(), sourceSize) &&
                WriteAt(kvf.get(), slot, recordBytes, RECORD_BYTES) &&
                WriteAt(kvf.get(), ENTRY_COUNT_OFFSET, newCount, 4) && CloseStream(kvf);
  if (stored) LogEntryName();
  if (stored && s.nameLogged == 1) {
    s.entryAppended = 1;
    return;
  }
  kvf.reset();
  s.logWavName.clear();
  RestoreNameList(listPath, listSize);
  RestoreContainer(s.loadedContainerPath, kvfSize, oldCount, slot, oldRecord);
}

bool ReadEntryCount(std::FILE* kvf, std::uint32_t& count) {
  unsigned char bytes[4];
  if (!ReadAt(kvf, ENTRY_COUNT_OFFSET, bytes, 4)) return false;
  count = ReadU32Le(bytes);
  return true;
}

bool ReadEntryRecord(std::FILE* kvf, std::int64_t k, EntryRecord& record) {
  if (k < 1 || k > MAX_ENTRIES) return false;
  std::int64_t fileSize = MeasureStream(kvf);
  unsigned char bytes[RECORD_BYTES];
  if (fileSize < 0 || !ReadAt(kvf, RecordOffset(k), bytes, RECORD_BYTES)) return false;
  record = DecodeRecord(bytes);
  std::uint64_t end = std::uint64_t{record.dataStart} + record.dataSize;
  return end == record.dataEnd && static_cast<std::int64_t>(end) <= fileSize;
}

bool ExtractEntry(std::FILE* kvf, const EntryRecord& record, const std::string& path) {
  Stream out = OpenStream(path, "wb");
  return out && SeekStream(kvf, record.dataStart) && CopyStreamBytes(kvf, out.get(), record.dataSize) &&
         CloseStream(out);
}
