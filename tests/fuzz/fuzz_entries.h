// Entries into every routine of the program that reads bytes it did not
// write: the eleven external importers, the eight stored-entry converters,
// loading, playing and exporting a container, the RIFF/WAVE measurement and
// IMA ADPCM decoder of stored entries, the "wav" row of Play_Wav, and adding
// a file to a container.
//
// Each entry runs the program's real routines on files in a scratch program
// folder (with Export and Export/Conversions) and a scratch Documents folder
// under the system's temporary folder, one per process, and then checks what
// the program left behind. A broken expectation is reported through the
// failure handler, which by default prints it and aborts, so that a fuzzer
// keeps the input. The entries know nothing of libFuzzer: the regression
// test replays stored inputs through them in the ordinary test suite.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using FuzzFailureHandler = void (*)(const std::string& entry, const std::string& message);
// Replaces the default handler (print and abort); null restores it.
void SetFuzzFailureHandler(FuzzFailureHandler handler);

// External importers: the bytes are the file picked from outside.
void FuzzImportMpc(const std::uint8_t* data, std::size_t size);
void FuzzImportIff(const std::uint8_t* data, std::size_t size);
void FuzzImportWve(const std::uint8_t* data, std::size_t size);
void FuzzImportSph(const std::uint8_t* data, std::size_t size);
void FuzzImportPvf(const std::uint8_t* data, std::size_t size);
void FuzzImportPaf(const std::uint8_t* data, std::size_t size);
void FuzzImportCaf(const std::uint8_t* data, std::size_t size);
void FuzzImportVoc(const std::uint8_t* data, std::size_t size);
void FuzzImportHtk(const std::uint8_t* data, std::size_t size);
void FuzzImportAu(const std::uint8_t* data, std::size_t size);
void FuzzImportAiff(const std::uint8_t* data, std::size_t size);

// Stored-entry converters: the bytes are the extracted entry (temp_wav.wav).
// The same bytes also go through the format's importer.
void FuzzStoredSph(const std::uint8_t* data, std::size_t size);
void FuzzStoredPvf(const std::uint8_t* data, std::size_t size);
void FuzzStoredPaf(const std::uint8_t* data, std::size_t size);
void FuzzStoredCaf(const std::uint8_t* data, std::size_t size);
void FuzzStoredVoc(const std::uint8_t* data, std::size_t size);
void FuzzStoredHtk(const std::uint8_t* data, std::size_t size);
void FuzzStoredAu(const std::uint8_t* data, std::size_t size);
void FuzzStoredAiff(const std::uint8_t* data, std::size_t size);

// A whole container: u16 LE n, then n bytes of ".dat" (none written when n
// is 0), then the ".kvf". Loaded (200), its entries played (list selection,
// then "-->", at most eight), each exported (1200), then all exported (1700).
void FuzzContainer(const std::uint8_t* data, std::size_t size);
// One entry of a valid container holds the bytes (its first four made
// "RIFF"); it is played and exported.
void FuzzStoredWave(const std::uint8_t* data, std::size_t size);
// Play_Wav (1100) of a ".wav" file holding the bytes, then its export (4100).
void FuzzExternalWav(const std::uint8_t* data, std::size_t size);
// Play_Wav (1100) of any extension: the first byte picks it, the rest is the file.
void FuzzExternalAny(const std::uint8_t* data, std::size_t size);
// Add_Wav (100) of a fixed small file to a container whose ".kvf" is the bytes.
void FuzzAddToContainer(const std::uint8_t* data, std::size_t size);

struct FuzzEntry {
  const char* name;  // the fuzzer's name without "fuzz_", and its regression folder
  void (*run)(const std::uint8_t* data, std::size_t size);
};
// Every entry, by name.
const std::vector<FuzzEntry>& FuzzEntries();
