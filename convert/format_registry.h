// The foreign formats, one row each: the extensions Play_Wav knows a file of
// the format by, how a stored entry of it is recognised, converted and named
// when exported, its importer, and the state fields it reads and writes. The
// library's dispatches all read these rows. A new format is a new row here,
// beside its fields in the state record, its working file in the start-up
// paths and its module.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "state/app_state.h"

// The first two bytes of a stored entry that Export All names the entry's
// kind by. It reads no more than these, so its choice is not the recognition
// a play makes.
struct ExportLead {
  const char* bytes;  // two characters; nullptr: every entry no other kind's lead takes
};

constexpr ExportLead ANY_OTHER_LEAD{nullptr};

// What a kind of stored entry is and does in a container.
struct StoredKind {
  bool (*recognise)(const unsigned char* first) = nullptr;  // from the entry's first four bytes
  std::int32_t AppState::*flag = nullptr;                   // 1 when the entry played last was recognised as this kind
  void (*convert)() = nullptr;                              // tempWavPath to decodedWavPath; nullptr for RIFF/WAVE
  const char* exportExtension = nullptr;                    // of a single export of the entry as stored
  ExportLead exportLead = ANY_OTHER_LEAD;
};

struct ForeignFormat {
  const char* name = nullptr;
  std::vector<const char*> extensions;          // as Play_Wav compares them: case-sensitively, as spelled
  void (*import)() = nullptr;                   // sourcePath to outputPath
  std::string AppState::*sourcePath = nullptr;  // the file Play_Wav picked
  std::string AppState::*outputPath = nullptr;  // the format's working file
  StoredKind stored;                            // recognise is nullptr when no container holds the format
};

// The rows, in the order Play_Wav tries their extensions.
const std::vector<ForeignFormat>& ForeignFormats();
// The row one of whose extensions is extension exactly; nullptr when there is none.
const ForeignFormat* ForeignFormatOfExtension(const std::string& extension);
// Every kind a stored entry is recognised as: the stored kinds of the rows,
// in their order, and last RIFF/WAVE, which is played without conversion.
const std::vector<const StoredKind*>& StoredKinds();
// True when a foreign format's flag is set: the entry played last was not a
// plain wave.
bool ForeignStoredKindRecognised();
