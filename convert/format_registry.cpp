#include "convert/format_registry.h"

#include <utility>

#include "convert/formats.h"
#include "io/byte_order.h"

namespace {

// Recognition from a stored entry's first four bytes. No two of these can
// hold for the same bytes, so at most one flag is ever set.
bool IsHtkEntry(const unsigned char* first) { return first[0] == 0 && (first[1] == 0 || first[1] == 1); }
bool IsVocEntry(const unsigned char* first) { return ReadTag(first, "Cre"); }
bool IsAuEntry(const unsigned char* first) { return ReadTag(first + 1, "snd"); }
bool IsAiffEntry(const unsigned char* first) { return ReadTag(first, "FORM"); }
bool IsCafEntry(const unsigned char* first) { return ReadTag(first, "caf"); }
bool IsPafEntry(const unsigned char* first) { return ReadTag(first, " pa"); }
bool IsPvfEntry(const unsigned char* first) { return ReadTag(first, "PVF"); }
bool IsSphEntry(const unsigned char* first) { return ReadTag(first, "NIS"); }
bool IsRiffEntry(const unsigned char* first) { return ReadTag(first, "RIF"); }

using State = AppState;

const StoredKind RIFF_WAVE_ENTRY{IsRiffEntry, &State::isRiff, nullptr, ".wav", ExportLead{"RI"}};

// A row is written as what Play_Wav knows of the format, FormatRow(...), and
// for a format a container can hold, what the container knows, .Stored(...).
class FormatRow {
 public:
  FormatRow(const char* name, std::vector<const char*> extensions, void (*import)(), std::string State::*sourcePath,
            std::string State::*outputPath) {
    format_.name = name;
    format_.extensions = std::move(extensions);
    format_.import = import;
    format_.sourcePath = sourcePath;
    format_.outputPath = outputPath;
  }
  FormatRow Stored(bool (*recognise)(const unsigned char*), std::int32_t State::*flag, void (*convert)(),
                   const char* exportExtension, ExportLead exportLead) const {
    FormatRow row = *this;
    row.format_.stored = StoredKind{recognise, flag, convert, exportExtension, exportLead};
    return row;
  }
  operator ForeignFormat() const { return format_; }

 private:
  ForeignFormat format_;
};

}  // namespace

const std::vector<ForeignFormat>& ForeignFormats() {
  static const std::vector<ForeignFormat> formats = {
      FormatRow("htk", {"htk", "HTK"}, ImportHtkFile, &State::htkSourcePath, &State::htkWavPath)
          .Stored(IsHtkEntry, &State::isHtk, ConvertStoredHtk, ".htk", ANY_OTHER_LEAD),
      FormatRow("voc", {"voc", "VOC"}, ImportVocFile, &State::vocSourcePath, &State::vocWavPath)
          .Stored(IsVocEntry, &State::isVoc, ConvertStoredVoc, ".voc", ExportLead{"Cr"}),
      FormatRow("au", {"au", "AU", "snd", "SND"}, ImportAuFile, &State::auSourcePath, &State::auWavPath)
          .Stored(IsAuEntry, &State::isAu, ConvertStoredAu, ".au", ExportLead{".s"}),
      FormatRow("aiff", {"aiff", "AIFF", "aif", "AIF"}, ImportAiffFile, &State::aiffSourcePath, &State::aiffWavPath)
          .Stored(IsAiffEntry, &State::isAiff, ConvertStoredAiff, ".aiff", ExportLead{"FO"}),
      FormatRow("caf", {"caf", "CAF"}, ImportCafFile, &State::cafSourcePath, &State::cafWavPath)
          .Stored(IsCafEntry, &State::isCaf, ConvertStoredCaf, ".caf", ExportLead{"ca"}),
      FormatRow("paf", {"paf", "PAF"}, ImportPafFile, &State::pafSourcePath, &State::pafWavPath)
          .Stored(IsPafEntry, &State::isPaf, ConvertStoredPaf, ".paf", ExportLead{" p"}),
      FormatRow("pvf", {"pvf", "PVF"}, ImportPvfFile, &State::pvfSourcePath, &State::pvfWavPath)
          .Stored(IsPvfEntry, &State::isPvf, ConvertStoredPvf, ".pvf", ExportLead{"PV"}),
      FormatRow("sph", {"sph", "SPH"}, ImportSphFile, &State::sphSourcePath, &State::sphWavPath)
          .Stored(IsSphEntry, &State::isSph, ConvertStoredSph, ".sph", ExportLead{"NI"}),
      FormatRow("wve", {"wve", "WVE"}, ImportWveFile, &State::wveSourcePath, &State::wveWavPath),
      FormatRow("iff", {"iff", "IFF", "8svx", "8SVX"}, ImportIffFile, &State::iffSourcePath, &State::iffWavPath),
      FormatRow("mpc", {"mpc", "MPC"}, ImportMpcFile, &State::mpcSourcePath, &State::mpcWavPath),
  };
  return formats;
}

const ForeignFormat* ForeignFormatOfExtension(const std::string& extension) {
  for (const ForeignFormat& format : ForeignFormats()) {
    for (const char* candidate : format.extensions) {
      if (extension == candidate) return &format;
    }
  }
  return nullptr;
}

const std::vector<const StoredKind*>& StoredKinds() {
  static const std::vector<const StoredKind*> kinds = [] {
    std::vector<const StoredKind*> all;
    for (const ForeignFormat& format : ForeignFormats()) {
      if (format.stored.recognise != nullptr) all.push_back(&format.stored);
    }
    all.push_back(&RIFF_WAVE_ENTRY);
    return all;
  }();
  return kinds;
}

bool ForeignStoredKindRecognised() {
  for (const StoredKind* kind : StoredKinds()) {
    if (kind->convert != nullptr && appState.*kind->flag == 1) return true;
  }
  return false;
}
