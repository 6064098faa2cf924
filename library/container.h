// Containers: a ".kvf" data file (a 16-byte header, an index of 500 record
// slots, then the stored files back to back) and a ".dat" name list beside it
// that maps each entry's name key to its name. "CrcLog.dat" in the program
// folder takes the names when a container has no ".dat".
//
// .kvf layout, all numbers unsigned 32-bit little-endian:
//   0     336, 1, 24      written at creation; only the check reads them
//   12    entryCount
//   16*k  record of entry k (k = 1 ... 499): nameKey, dataSize, dataStart, dataEnd
//   8016  stored files, in the order of adding
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

constexpr std::uint32_t CONTAINER_HEADER_WORDS[] = {336, 1, 24};
constexpr std::uint32_t SHORTEST_LISTED_KEY = 0x10000;  // names with smaller CRCs get no lines
constexpr int MAX_ENTRIES = 499;
constexpr std::int64_t ENTRY_COUNT_OFFSET = 12;
constexpr std::int64_t RECORD_BYTES = 16;
constexpr std::int64_t INDEX_AREA_SIZE = 8000;                  // 500 slots; the last stays zero
constexpr std::int64_t DATA_AREA_START = 16 + INDEX_AREA_SIZE;  // header + index = 8016
constexpr std::int64_t LARGE_CONTAINER_BYTES = 120000000;
constexpr std::int64_t MAX_CONTAINER_BYTES = 2147483647;  // sizes are measured as signed 32-bit
constexpr std::uint32_t KEY_TRIM_THRESHOLD = 0x10000000;

struct EntryRecord {
  std::uint32_t nameKey = 0;
  std::uint32_t dataSize = 0;
  std::uint32_t dataStart = 0;
  std::uint32_t dataEnd = 0;
};

// The standard CRC-32 table (reflected polynomial 0xEDB88320).
extern const std::array<std::uint32_t, 256> crc32Table;

// CRC of name before the final complement: start 0xFFFFFFFF, one table step per byte.
std::uint32_t ComputeNameCrc(const std::string& name);
// The name key stored for a CRC: eight-digit CRCs lose their low byte.
std::uint32_t NameKeyOf(std::uint32_t crc);
// v in lower-case hex without leading zeros ("0" for 0).
std::string PlainHexText(std::uint32_t v);
// v in lower-case hex, eight characters with zeros in front.
std::string KeyText(std::uint32_t v);
// The two name-list lines for a name with this CRC, each ended by CR LF.
std::string NameListPair(std::uint32_t crc, const std::string& name);
// The ".dat" beside a ".kvf": everything from the last "." replaced by ".dat".
std::string CompanionDatPath(const std::string& kvfPath);
// File name of a ".kvf" without folder and extension.
std::string ContainerTitleOf(const std::string& kvfPath);

// From logWavName: crcHexText (full CRC) and nameCrc (the name key).
void ComputeEntryNameKey();
// Appends the name-list pair of logWavName to the container's ".dat" when it
// can be read, else to "CrcLog.dat"; sets nameSourceMode, nameCrc, crcHexText
// and nameLogged, and empties logWavName.
void LogEntryName();
// Writes the empty container pair newContainerPath / newDatPath; sets
// containerFilesWritten. A failed attempt leaves neither file behind.
void CreateEmptyContainerFiles();
// Stores the file addWavPickedPath, named logWavName, as the next entry of
// loadedContainerPath. All or nothing: on any failure the ".kvf" and the name
// list are put back byte for byte. Sets entryAppended.
void AppendEntryToContainer();

// A record from its 16 bytes, and back.
EntryRecord DecodeRecord(const unsigned char* bytes);
void EncodeRecord(const EntryRecord& record, unsigned char* bytes);
// True when the 16 bytes of a record are all zero: an index slot nothing was ever written to.
bool RecordIsEmpty(const unsigned char* bytes);

// Entry count at offset 12 of an open ".kvf"; false when it cannot be read.
bool ReadEntryCount(std::FILE* kvf, std::uint32_t& count);
// Record of entry k of an open ".kvf", accepted only when 1 <= k <= 499,
// dataEnd = dataStart + dataSize (no overflow) and dataEnd <= the file size.
bool ReadEntryRecord(std::FILE* kvf, std::int64_t k, EntryRecord& record);
// Copies the stored bytes of a record to a new file at path.
bool ExtractEntry(std::FILE* kvf, const EntryRecord& record, const std::string& path);
