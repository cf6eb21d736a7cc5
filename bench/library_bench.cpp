// Costs of the library operations that run while a user waits: loading and
// saving a full library, and the walks the dialogs make over it.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "library/library.h"

namespace {

// A library of `count` programs of realistic size, in groups of ten.
void FillLibrary(ProgramLibrary* library, int count) {
  std::string init = "coord=2;\r\n?param,message,0,100,50;\r\n";
  std::string transform;
  for (int i = 0; i < 20; i++) transform += "x=x+xs*param/100*sin(t*3);\r\n";
  for (int i = 0; i < count; i++) {
    std::string group = "Group" + std::to_string(i / 10);
    std::string name = "Program " + std::to_string(i);
    library->AppendProgram(group.c_str(), name.c_str(), init.c_str(), transform.c_str());
  }
}

std::string SerializedText(const KeyValueDocument& library) {
  std::string text(library.SerializedLength() + 1, '\0');
  library.Serialize(&text[0], text.size());
  text.resize(text.size() - 1);
  return text;
}

void BM_ParseLibrary(benchmark::State& state) {
  ProgramLibrary source;
  FillLibrary(&source, static_cast<int>(state.range(0)));
  std::string text = SerializedText(source);
  for (auto _ : state) {
    ProgramLibrary library;
    benchmark::DoNotOptimize(library.Parse(text.data(), text.size()));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseLibrary)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_SerializeLibrary(benchmark::State& state) {
  ProgramLibrary library;
  FillLibrary(&library, static_cast<int>(state.range(0)));
  std::string buffer(static_cast<size_t>(kMaxLibraryBytes), '\0');
  for (auto _ : state) {
    benchmark::DoNotOptimize(library.Serialize(&buffer[0], buffer.size()));
  }
}
BENCHMARK(BM_SerializeLibrary)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// The dialogs look a program up by group and name; the last one costs most.
void BM_FindLastProgram(benchmark::State& state) {
  ProgramLibrary library;
  int count = static_cast<int>(state.range(0));
  FillLibrary(&library, count);
  std::string group = "Group" + std::to_string((count - 1) / 10);
  std::string name = "Program " + std::to_string(count - 1);
  for (auto _ : state) {
    benchmark::DoNotOptimize(library.FindProgram(group.c_str(), name.c_str()));
  }
}
BENCHMARK(BM_FindLastProgram)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_SaveAndLoadLibrary(benchmark::State& state) {
  std::filesystem::path base = std::filesystem::temp_directory_path() / "morfel-library-bench";
  std::filesystem::create_directories(base / "Tarvo");
  std::string baseFolder = base.string() + kPathSeparator;
  ProgramLibrary library;
  FillLibrary(&library, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    SaveLibrary(baseFolder.c_str(), library);
    ProgramLibrary loaded;
    benchmark::DoNotOptimize(LoadProgramLibrary(baseFolder.c_str(), &loaded));
  }
  std::error_code ignored;
  std::filesystem::remove_all(base, ignored);
}
BENCHMARK(BM_SaveAndLoadLibrary)->Arg(1000)->Unit(benchmark::kMillisecond);

// A hand-grown document of many short keys, about 1 MB: reading and writing
// must stay linear in its size (a native copy of the text is the baseline).
std::string ManyKeysText(int keys) {
  KeyValueDocument document;
  for (int i = 0; i < keys; i++) {
    std::string key = "Key" + std::to_string(i);
    document.Set(key.c_str(), "value", i % 2 == 0 ? "Default" : nullptr);
  }
  return SerializedText(document);
}

void BM_ParseManyKeys(benchmark::State& state) {
  std::string text = ManyKeysText(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    KeyValueDocument document;
    benchmark::DoNotOptimize(document.Parse(text.data(), text.size()));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_ParseManyKeys)->Arg(10000)->Arg(63000)->Unit(benchmark::kMillisecond);

void BM_SerializeManyKeys(benchmark::State& state) {
  std::string text = ManyKeysText(static_cast<int>(state.range(0)));
  KeyValueDocument document;
  document.Parse(text.data(), text.size());
  std::string buffer(document.SerializedLength() + 1, '\0');
  for (auto _ : state) {
    benchmark::DoNotOptimize(document.Serialize(&buffer[0], buffer.size()));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_SerializeManyKeys)->Arg(10000)->Arg(63000)->Unit(benchmark::kMillisecond);

// Baseline: copying the same text once, the least any reader must do.
void BM_CopyManyKeysText(benchmark::State& state) {
  std::string text = ManyKeysText(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::string copy(text);
    benchmark::DoNotOptimize(copy.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_CopyManyKeysText)->Arg(63000)->Unit(benchmark::kMillisecond);

}  // namespace
