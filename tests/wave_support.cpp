#include "tests/wave_support.h"

#include <cstdlib>
#include <filesystem>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "library/byte_order.h"

bool HostToolAvailable(const std::string& program) {
#ifdef _WIN32
  (void)program;
  return false;
#else
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
#endif
}

int RunHostTool(const std::string& commandLine, const std::string& outputPath) {
  std::string line = commandLine + (outputPath.empty() ? " >/dev/null 2>&1" : " >'" + outputPath + "' 2>&1");
  int status = std::system(line.c_str());
#ifndef _WIN32
  if (status != -1 && WIFEXITED(status)) return WEXITSTATUS(status);
#endif
  return status;
}


Bytes Shortened(Bytes bytes, std::size_t by) {
  bytes.resize(bytes.size() - by);
  return bytes;
}

const char* NameOf(Face face) { return face == Face::Stored ? "stored" : "external"; }

std::string ConverterTest::Convert(Face face, const Bytes& file) {
  appState.conversionFailed = 0;
  appState.wavTypeKnown = 1;
  if (face == Face::Stored) {
    if (!faces.convertStored) {
      ADD_FAILURE() << "this format has no stored converter";
      return OutputPath(face);
    }
    WriteWholeFile(appState.tempWavPath, file);
    faces.convertStored();
  } else {
    appState.*faces.source = ScratchFile(faces.sourceName);
    WriteWholeFile(appState.*faces.source, file);
    faces.import();
  }
  return OutputPath(face);
}

Bytes ConverterTest::ConvertToBytes(Face face, const Bytes& file) { return ReadWholeFile(Convert(face, file)); }

bool ConverterTest::Failed(Face face) const {
  const std::int32_t flag = face == Face::Stored ? appState.wavTypeKnown : appState.conversionFailed;
  EXPECT_TRUE(flag == 0 || flag == 1) << NameOf(face) << " failure flag holds " << flag;
  return face == Face::Stored ? flag == 0 : flag == 1;
}

std::string ConverterTest::OutputPath(Face face) const {
  return face == Face::Stored ? appState.decodedWavPath : appState.*faces.output;
}

std::string ConverterTest::ConvertBothFaces(const Bytes& file) {
  Bytes external = ConvertToBytes(Face::External, file);
  EXPECT_FALSE(Failed(Face::External));
  Bytes stored = ConvertToBytes(Face::Stored, file);
  EXPECT_FALSE(Failed(Face::Stored));
  EXPECT_EQ(external, stored);
  return OutputPath(Face::External);
}

std::string ConverterTest::ConvertSoxToneBothFaces(const std::string& fileName, const std::string& soxOptions) {
  const std::string path = ScratchFile(fileName);
  EXPECT_EQ(RunHostTool("sox -n " + soxOptions + " '" + path + "' synth 0.25 sine 440 sine 660"), 0);
  return ConvertBothFaces(ReadWholeFile(path));
}

void ConverterTest::ExpectRefused(Face face, const Bytes& file, const char* storedText) {
  WriteWholeFile(OutputPath(face), BytesOf("previous"));
  appState.durationSeconds = 7.25;
  appState.durationMs = 7000;
  appState.replayDurationMs = 7000;
  appState.durationText = "7.25";
  Convert(face, file);
  EXPECT_TRUE(Failed(face));
  EXPECT_EQ(ReadWholeFile(OutputPath(face)), BytesOf("previous"));
  EXPECT_EQ(appState.durationSeconds, 7.25);
  EXPECT_EQ(appState.durationMs, 7000u);
  EXPECT_EQ(appState.replayDurationMs, 7000u);
  EXPECT_EQ(appState.durationText, face == Face::Stored && storedText ? storedText : "7.25");
}

std::string ConverterTest::SoxInfo(const std::string& path, const std::string& option) const {
  // Warnings (sox notes that a float fmt chunk has no extension) stay out.
  const std::string info = ScratchFile("soxi.txt");
  EXPECT_EQ(RunHostTool("(soxi " + option + " '" + path + "' 2>/dev/null)", info), 0) << option << " " << path;
  Bytes text = ReadWholeFile(info);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return std::string(text.begin(), text.end());
}

bool ConverterTest::ToneThroughSndfile(const std::string& path, const std::string& soxFormat,
                                       const std::string& synth, const std::string& encoding) const {
  const std::string wave = ScratchFile("tone.wav");
  for (const std::string& command : {"sox -n " + soxFormat + " '" + wave + "' synth " + synth,
                                     "sndfile-convert " + encoding + " '" + wave + "' '" + path + "'"}) {
    if (RunHostTool(command) != 0) {
      ADD_FAILURE() << "failed: " << command;
      return false;
    }
  }
  return true;
}

Bytes ConverterTest::SoxDecode(const std::string& path, const std::string& rawOptions,
                               const std::string& inputOptions) const {
  const std::string raw = ScratchFile("decoded.raw");
  std::filesystem::remove(raw);
  const std::string input = inputOptions.empty() ? "" : inputOptions + " ";
  const std::string command = "sox " + input + "'" + path + "' -t raw " + rawOptions + " '" + raw + "'";
  EXPECT_EQ(RunHostTool(command), 0) << command;
  return ReadWholeFile(raw);
}

void ConverterTest::ExpectG711TonesKept(const std::string& fileName, std::size_t (*startOf)(const Bytes&),
                                        std::size_t samplesStart, const std::string& inputOptions,
                                        std::size_t droppedBytes) {
  for (const char* encoding : {"-ulaw", "-alaw"}) {
    for (int channels : {1, 2}) {
      for (Face face : FACES) {
        SCOPED_TRACE(std::string(NameOf(face)) + " " + encoding + " channels " + std::to_string(channels));
        std::string source = ScratchFile(fileName);
        ASSERT_TRUE(ToneThroughSndfile(source, "-r 8000 -c " + std::to_string(channels) + " -b 16",
                                       "0.4 sine 300 sine 500", encoding));
        ASSERT_EQ(startOf(ReadWholeFile(source)), samplesStart);
        std::string output = Convert(face, ReadWholeFile(source));
        ASSERT_FALSE(Failed(face));
        Bytes expected = SoxDecode(source, "-e signed -b 16 -L", inputOptions);
        ASSERT_GT(expected.size(), 1000u);
        EXPECT_EQ(SoxDecode(output, "-e signed -b 16 -L"), Shortened(expected, droppedBytes));
        EXPECT_EQ(SoxInfo(output, "-c"), std::to_string(channels));
        EXPECT_EQ(SoxInfo(output, "-r"), "8000");
      }
    }
  }
}
