// The library, settings and parameter set files: a file is loaded, saved
// and loaded again, and the second load must read what the first did. A
// library read only in part must never be written over. The first byte
// chooses the file; the rest is its content.
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "image/image.h"
#include "library/library.h"

namespace {

std::string ReadBack(const std::string& path) {
  std::string text;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return text;
  char chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, got);
  std::fclose(file);
  return text;
}

void LibraryRoundTrip(const uint8_t* data, size_t size) {
  const std::string path = ScratchDataFile("Morfel.ini");
  WriteBytes(path, data, size);
  const char* base = ScratchBaseFolder().c_str();
  ProgramLibrary first;
  FUZZ_CHECK(LoadProgramLibrary(base, &first) == 1);
  first.AppendProgram("Fuzz", "Added", "coord=0;\r\n", "R=255-R;\r\n");
  if (first.incompleteLoad() != 0) {
    FUZZ_CHECK(SaveLibrary(base, first) == 0);
    FUZZ_CHECK(ReadBack(path) == std::string(reinterpret_cast<const char*>(data), size));
    return;
  }
  if (SaveLibrary(base, first) == 0) {
    FUZZ_CHECK(first.SerializedLength() + 1 > static_cast<size_t>(kMaxLibraryBytes));
    return;
  }
  ProgramLibrary second;
  FUZZ_CHECK(LoadProgramLibrary(base, &second) == 1);
  FUZZ_CHECK(second.incompleteLoad() == 0);
  FUZZ_CHECK(SerializedText(second) == SerializedText(first));
  FUZZ_CHECK(second.ProgramCount() == first.ProgramCount());
}

void SettingsRoundTrip(const uint8_t* data, size_t size) {
  WriteBytes(ScratchBaseFile("Morfel.dat"), data, size);
  const char* base = ScratchBaseFolder().c_str();
  FilterSettings settings[2];
  CurrentProgram program;
  ParamSlot slots[2][kParamSlotCount];
  LoadSettings(base, &settings[0], &program, slots[0]);
  FUZZ_CHECK(SaveSettings(base, settings[0], slots[0]) == 1);
  FUZZ_CHECK(LoadSettings(base, &settings[1], &program, slots[1]) == 1);
  // Bezier is remembered as Linear.
  const int32_t interp = settings[0].Interp > kInterpLinear ? kInterpLinear : settings[0].Interp;
  FUZZ_CHECK(settings[1].GroupNo == settings[0].GroupNo);
  FUZZ_CHECK(settings[1].FuncNo == settings[0].FuncNo);
  FUZZ_CHECK(settings[1].Interp == interp);
  FUZZ_CHECK(settings[1].Preview == settings[0].Preview);
  for (int i = 0; i < kParamSlotCount; ++i) {
    FUZZ_CHECK(std::strcmp(slots[1][i].value, slots[0][i].value) == 0);
  }
}

void ParameterSetRoundTrip(const uint8_t* data, size_t size) {
  const std::string path = ScratchDataFile("set.mfp");
  WriteBytes(path, data, size);
  ParameterSet first;
  ParameterSet second;
  FUZZ_CHECK(ReadParameterSet(path.c_str(), &first) == 1);
  FUZZ_CHECK(WriteParameterSet(path.c_str(), first) == 1);
  FUZZ_CHECK(ReadParameterSet(path.c_str(), &second) == 1);
  FUZZ_CHECK(std::strcmp(first.group, second.group) == 0);
  FUZZ_CHECK(std::strcmp(first.name, second.name) == 0);
  for (int i = 0; i < kParamSlotCount; ++i) {
    FUZZ_CHECK(std::strcmp(first.values[i], second.values[i]) == 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  switch (data[0] % 3) {
    case 0:
      LibraryRoundTrip(data + 1, size - 1);
      break;
    case 1:
      SettingsRoundTrip(data + 1, size - 1);
      break;
    default:
      ParameterSetRoundTrip(data + 1, size - 1);
      break;
  }
  return 0;
}
