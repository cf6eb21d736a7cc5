// Shared by the editor's tests: a base folder of its own for each test, a
// library written into it, and FilterOption run under a scripted user.
#ifndef MORFEL_TESTS_UI_EDITOR_FIXTURE_H
#define MORFEL_TESTS_UI_EDITOR_FIXTURE_H

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/scripted_user/scripted_user.h"
#include "library/library.h"
#include "plugin/plugin.h"
#include "ui/resource.h"

#ifndef _WIN32
#include "morfel_platform_ext.h"
extern "C" HINSTANCE MorfelModuleInstance(void);
#endif

// One program as the tests write and read it.
struct StoredProgram {
  std::string group;
  std::string name;
  std::string init;
  std::string transform;
};

inline bool operator==(const StoredProgram& a, const StoredProgram& b) {
  return a.group == b.group && a.name == b.name && a.init == b.init && a.transform == b.transform;
}

inline std::ostream& operator<<(std::ostream& out, const StoredProgram& p) {
  return out << p.group << "/" << p.name;
}

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    Module().instance = GetModuleHandleA(nullptr);
#else
    Module().instance = MorfelModuleInstance();
#endif
    std::random_device random;
    std::filesystem::path root = std::filesystem::temp_directory_path();
    do {
      folder_ = root / ("morfel-editor-" + std::to_string(random()));
    } while (std::filesystem::exists(folder_));
    std::filesystem::create_directories(folder_ / "Tarvo");
    base_ = folder_.string() + kPathSeparator;
  }

  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  const char* base() const { return base_.c_str(); }
  std::filesystem::path DataFile(const char* name) const { return folder_ / "Tarvo" / name; }
  std::filesystem::path SettingsFile() const { return folder_ / "Morfel.dat"; }

  // Sections are set by index so that large libraries are written quickly.
  void WriteLibrary(const std::vector<StoredProgram>& programs) {
    ASSERT_LE(programs.size(), static_cast<size_t>(kMaxPrograms));
    ProgramLibrary library;
    for (size_t i = 0; i < programs.size(); ++i) {
      char section[kSectionNameSize];
      ASSERT_EQ(ProgramSectionName(static_cast<int>(i), section), 1);
      library.Set("Group", programs[i].group.c_str(), section);
      library.Set("Name", programs[i].name.c_str(), section);
      library.Set("Init", programs[i].init.c_str(), section);
      library.Set("Prog", programs[i].transform.c_str(), section);
    }
    ASSERT_EQ(SaveLibrary(base(), library), 1);
  }

  // The programs a reader of the library file sees, in order.
  std::vector<StoredProgram> ReadLibrary() const {
    ProgramLibrary library;
    std::vector<StoredProgram> programs;
    if (!LoadProgramLibrary(base(), &library)) return programs;
    const int count = library.ProgramCount();
    for (int i = 0; i < count; ++i) {
      programs.push_back({Field(library, i, "Group"), Field(library, i, "Name"),
                          Field(library, i, "Init"), Field(library, i, "Prog")});
    }
    return programs;
  }

  static std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
  }

  static void WriteFile(const std::filesystem::path& file, const std::string& contents) {
    std::ofstream out(file, std::ios::binary);
    out << contents;
  }

  // Opens the editor as the host does, with user playing the dialogs.
  // Fails the test when an action could not be done or was left over.
  // Boxes without an answer of their own: questions get No, others OK; or,
  // with leaveQuestions, questions are left to end with their default button.
  void RunEditor(ScriptedUser& user, bool leaveQuestions = false) {
    user.SetBoxAnswerer([leaveQuestions](const MessageBoxRecord& box) {
      if (box.text.empty() || box.text.back() != '?') return IDOK;
      return leaveQuestions ? 0 : IDNO;
    });
    ASSERT_TRUE(user.Start());
    FilterOption(nullptr, base());
    user.Stop();
    for (const std::string& failure : user.Failures()) ADD_FAILURE() << failure;
    EXPECT_TRUE(user.Finished()) << "actions done: " << user.ActionsDone();
  }

  // The texts of the message boxes shown, as "title: text".
  static std::vector<std::string> Boxes(const ScriptedUser& user) {
    std::vector<std::string> shown;
    for (const MessageBoxRecord& box : user.MessageBoxes()) {
      shown.push_back(box.title + ": " + box.text);
    }
    return shown;
  }

 private:
  static std::string Field(const ProgramLibrary& library, int index, const char* key) {
    const char* value = library.ProgramField(index, key);
    return value != nullptr ? value : "";
  }

  std::filesystem::path folder_;
  std::string base_;
};

// A program that compiles, for libraries whose content does not matter.
inline StoredProgram Program(const std::string& group, const std::string& name,
                             const std::string& init = "a=1;\r\n",
                             const std::string& transform = "x=x;\r\n") {
  return {group, name, init, transform};
}

#endif
