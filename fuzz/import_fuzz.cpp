// Program-file import: any file merges into the library or is refused, and
// the library stays one that saves and reads back as it is.
#include <string>

#include "fuzz/fuzz_support.h"
#include "library/library.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  WriteBytes(ScratchDataFile("program.txt"), data, size);
  ProgramLibrary library;
  library.AppendProgram("Deform", "Sample", "coord=2;\r\n?param,message,0,100,50;\r\n",
                        "x=x+xs*param/100;\r\n");
  ImportCounters counters{0, 0};
  char message[512];
  ImportOutcome outcome = ImportProgramFile(ScratchBaseFolder().c_str(), "program.txt", &library,
                                            &counters, message, sizeof message);
  FUZZ_CHECK(outcome != kImportCannotOpen);
  FUZZ_CHECK(library.ProgramCount() == 1 + counters.added);
  FUZZ_CHECK(counters.added + counters.overwritten <= 1);
  const std::string text = SerializedText(library);
  ProgramLibrary reread;
  FUZZ_CHECK(reread.Parse(text.data(), text.size()) == 0);
  FUZZ_CHECK(SerializedText(reread) == text);
  for (int i = 0; i < library.ProgramCount(); ++i) {
    for (const char* key : {"Init", "Prog"}) {
      const char* value = library.ProgramField(i, key);
      FUZZ_CHECK(CheckRunnableTexts(value, nullptr) == kProgramTextsFit);
    }
  }
  return 0;
}
