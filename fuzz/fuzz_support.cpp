#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "library/library.h"

namespace fs = std::filesystem;

namespace {

struct Scratch {
  fs::path folder;
  std::string base;
  Scratch() {
    // Saves sync to disk; in memory that costs nothing, which lets a file
    // target run thousands of times a second.
    std::error_code error;
    fs::path root =
        fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
    folder = root / ("morfel-fuzz-" + std::to_string(getpid()));
    fs::create_directories(folder / "Tarvo");
    base = folder.string() + "/";
  }
  ~Scratch() {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }
};

Scratch& TheScratch() {
  static Scratch scratch;
  return scratch;
}

}  // namespace

const std::string& ScratchBaseFolder() { return TheScratch().base; }

std::string ScratchDataFile(const char* name) { return ScratchBaseFolder() + "Tarvo/" + name; }

std::string ScratchBaseFile(const char* name) { return ScratchBaseFolder() + name; }

void WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) FuzzFailure("cannot write a scratch file");
  if (size > 0 && std::fwrite(data, 1, size, file) != size) FuzzFailure("short scratch write");
  std::fclose(file);
}

std::string SerializedText(const KeyValueDocument& document) {
  std::string text(document.SerializedLength() + 1, '\0');
  long length = document.Serialize(&text[0], text.size());
  FUZZ_CHECK(length >= 0);
  text.resize(static_cast<size_t>(length));
  return text;
}

void FuzzFailure(const char* what) {
  std::fprintf(stderr, "property broken: %s\n", what);
  std::abort();
}
