// The session used as a front end uses it, without any window: choices,
// compiles, runs and the editor's operations, with the user's answers and
// the file search played by a recording front end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "session/session.h"
#include "tests/library/temp_folder.h"

namespace {

struct Stored {
  const char* group;
  const char* name;
  const char* init;
  const char* transform;
};

class RecordingFrontEnd : public FrontEnd {
 public:
  std::deque<bool> answers;  // No once they run out
  std::vector<std::string> questions;
  std::vector<std::string> files;

  bool Ask(const char* question) override {
    questions.push_back(question);
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  bool ListFiles(const char* pattern, std::vector<std::string>* names) override {
    EXPECT_NE(std::strstr(pattern, "*.txt"), nullptr);
    *names = files;
    return !files.empty();
  }
};

std::unique_ptr<FilterContext> OpenSession(const TempFolder& folder,
                                           const std::vector<Stored>& programs) {
  ProgramLibrary library;
  for (const Stored& p : programs) library.AppendProgram(p.group, p.name, p.init, p.transform);
  if (!programs.empty()) {
    EXPECT_EQ(SaveLibrary(folder.base(), library), 1);
  }
  std::unique_ptr<FilterContext> context = CreateFilterContext(folder.base());
  context->LoadSettingsAndLibrary();
  context->ListGroups(nullptr);
  context->ListPrograms(nullptr);
  return context;
}

std::vector<std::string> Texts(const UserMessages& messages) {
  std::vector<std::string> texts;
  for (const UserMessage& message : messages) texts.push_back(message.text);
  return texts;
}

std::vector<std::string> Names(const NameList& list) {
  return std::vector<std::string>(list.names, list.names + list.count);
}

TEST(FilterContext, StartsEmpty) {
  std::unique_ptr<FilterContext> context = CreateFilterContext(nullptr);
  ASSERT_NE(context, nullptr);
  for (const ParamSlot& slot : context->slots) {
    EXPECT_STREQ(slot.name, "");
    EXPECT_STREQ(slot.value, "");
    EXPECT_EQ(slot.maximum, 0);
  }
  EXPECT_EQ(context->sourceRgb.data, nullptr);
  EXPECT_EQ(context->previewResultT.height, 0);
  EXPECT_EQ(context->library.ProgramCount(), 0);
  EXPECT_EQ(context->groupList.count, 0);
  EXPECT_STREQ(context->program.initText, "");
  EXPECT_EQ(context->baseFolder, "");
}

TEST(FilterContext, ChoosesAndCompilesWithItsMessagesAsData) {
  TempFolder folder;
  std::unique_ptr<FilterContext> context =
      OpenSession(folder, {{"Colour", "Invert", "", "R=255-R;"},
                           {"colour", "Grey", "", "R=128;"},
                           {"Deform", "Bad", "a=1;\r\n", "x=;"}});
  EXPECT_EQ(Names(context->groupList), (std::vector<std::string>{"Colour", "Deform"}));
  const struct {
    int32_t group;
    CompileStatus status;
    std::vector<std::string> messages;
  } cases[] = {
      {1, CompileStatus::kTransformFailed, {"Program compilation error."}},
      {0, CompileStatus::kCompiled, {}},
  };
  for (const auto& c : cases) {
    context->ChooseGroup(c.group);
    const CompileReport report = context->CompileCurrentProgram();
    EXPECT_EQ(report.status, c.status) << c.group;
    EXPECT_EQ(Texts(report.messages), c.messages) << c.group;
    EXPECT_FALSE(report.choiceChanged);
  }
  EXPECT_EQ(Names(context->functionList), std::vector<std::string>{"Invert"});
  // A choice beyond the lists: the lists fall back to the first program.
  context->settings.GroupNo = 7;
  const CompileReport lost = context->CompileCurrentProgram();
  EXPECT_EQ(lost.status, CompileStatus::kInitFailed);
  EXPECT_EQ(Texts(lost.messages), std::vector<std::string>{"Initialization error."});
  EXPECT_TRUE(lost.choiceChanged);
  EXPECT_EQ(context->settings.GroupNo, 0);
  EXPECT_EQ(std::string(context->program.initText).rfind("The function is not found.\r\n", 0), 0u);
}

// A preview area the size of the image runs the program on the image
// itself: it must give what the final run gives with Round.
TEST(FilterContext, APreviewOfFullSizeEqualsTheFinalRun) {
  TempFolder folder;
  std::unique_ptr<FilterContext> context =
      OpenSession(folder, {{"Deform", "Turn", "?k,Turn,0,100,30;\r\ncoord=1;\r\n",
                            "t=t+k/50;\r\nif (r>2) T=r*20;\r\n"}});
  context->sourceRgb.Create(8, 4, 3);
  context->sourceT.Create(8, 4, 1);
  for (int32_t i = 0; i < 8 * 4 * 3; ++i) context->sourceRgb.data[i] = static_cast<uint8_t>(i * 7);
  for (int32_t i = 0; i < 8 * 4; ++i) context->sourceT.data[i] = static_cast<uint8_t>(255 - i);
  ASSERT_EQ(context->CompileCurrentProgram().status, CompileStatus::kCompiled);
  ASSERT_EQ(context->ReadDeclarations(kDeclareDefaults, nullptr), 1);
  context->SizePreview(8, 4);
  ASSERT_EQ(context->previewResultRgb.width, 8);
  ASSERT_EQ(context->RunPreview(8, 4).status, RunStatus::kFinished);
  ProgressImage resultRgb;
  RgbtImage resultT;
  const RunReport final = context->ApplyToImage(resultRgb, resultT, RunOptions());
  ASSERT_EQ(final.status, RunStatus::kFinished);
  EXPECT_EQ(std::memcmp(resultRgb.data, context->previewResultRgb.data, 8 * 4 * 3), 0);
  EXPECT_EQ(std::memcmp(resultT.data, context->previewResultT.data, 8 * 4), 0);

  // A value that does not compile stops the run before it starts; the
  // preview then shows the image unchanged.
  context->SetParameterText(0, "(");
  const RunReport failed = context->RunPreview(8, 4);
  EXPECT_EQ(failed.status, RunStatus::kNotStarted);
  EXPECT_EQ(Texts(failed.messages), std::vector<std::string>{"Parameter error at Turn."});
  EXPECT_EQ(std::memcmp(context->previewResultRgb.data, context->sourceRgb.data, 8 * 4 * 3), 0);
}

// A preview past its time budget (on a clock that moves a second at every
// look) keeps the last good image, says so and switches Auto Preview off; the
// final run stops when its caller says so, and reports a program the engine
// stopped with the pixel where it happened.
TEST(FilterContext, RunsThatTakeTooLongStopAndStoppedProgramsAreReported) {
  TempFolder folder;
  std::unique_ptr<FilterContext> context = OpenSession(
      folder, {{"Slow", "Count", "?n,Turns,0,10,3;\r\ncoord=0;\r\n",
                "i=0;\r\nwhile (i<n) { i=i+1; }\r\nR=i*10;\r\n"},
               {"Slow", "Stops", "coord=0;\r\n", "if (x+cx==2 && y+cy==1) q=\"s\"+1;\r\n"}});
  context->sourceRgb.Create(8, 4, 3);
  context->sourceT.Create(8, 4, 1);
  std::memset(context->sourceRgb.data, 90, 8 * 4 * 3);
  std::memset(context->sourceT.data, 255, 8 * 4);
  double now = 0.0;
  int looks = 0;
  context->clock = [&] {
    ++looks;
    return now += 1.0;
  };
  ASSERT_EQ(context->CompileCurrentProgram().status, CompileStatus::kCompiled);
  ASSERT_EQ(context->ReadDeclarations(kDeclareDefaults, nullptr), 1);
  context->SizePreview(8, 4);
  ASSERT_EQ(context->RunPreview(8, 4).status, RunStatus::kFinished);
  EXPECT_EQ(looks, 1);  // the deadline only: a short run never looks again
  const std::vector<uint8_t> good(context->previewResultRgb.data,
                                  context->previewResultRgb.data + 8 * 4 * 3);
  EXPECT_EQ(good[2], 30);

  context->settings.Preview = 1;
  context->SetParameterText(0, "2000000000");
  const RunReport stopped = context->RunPreview(8, 4);
  EXPECT_EQ(stopped.status, RunStatus::kStopped);
  EXPECT_EQ(Texts(stopped.messages),
            std::vector<std::string>{"The preview was stopped: the program takes too long."});
  EXPECT_TRUE(stopped.autoPreviewSwitchedOff);
  EXPECT_EQ(context->settings.Preview, 0);
  EXPECT_EQ(looks, 1 + 3);  // the deadline, then two seconds of looks
  EXPECT_EQ(std::vector<uint8_t>(context->previewResultRgb.data,
                                 context->previewResultRgb.data + 8 * 4 * 3),
            good);

  int asked = 0;
  RunOptions options;
  options.keepGoing = [&] { return ++asked < 3; };
  ProgressImage resultRgb;
  RgbtImage resultT;
  const RunReport cancelled = context->ApplyToImage(resultRgb, resultT, options);
  EXPECT_EQ(cancelled.status, RunStatus::kStopped);
  EXPECT_TRUE(cancelled.messages.empty());
  EXPECT_EQ(asked, 3);

  context->ChooseProgram(1);
  ASSERT_EQ(context->CompileCurrentProgram().status, CompileStatus::kCompiled);
  const RunReport reported = context->ApplyToImage(resultRgb, resultT, RunOptions());
  EXPECT_EQ(reported.status, RunStatus::kFinished);
  EXPECT_EQ(Texts(reported.messages),
            std::vector<std::string>{"The program was stopped at pixel (2, 1): an operator or a "
                                     "function has no value to work on."});
}

EditedProgram Edited(const char* group, const char* name, const char* transform) {
  EditedProgram edited = {};
  std::snprintf(edited.group, sizeof edited.group, "%s", group);
  std::snprintf(edited.name, sizeof edited.name, "%s", name);
  std::snprintf(edited.texts.transformText, kProgramTextSize, "%s", transform);
  return edited;
}

TEST(FilterContext, EditorOperationsAskThroughTheFrontEndAndReportAsData) {
  TempFolder folder;
  std::unique_ptr<FilterContext> context = OpenSession(folder, {{"Deform", "Wave", "", "x=x;"}});
  RecordingFrontEnd user;
  user.answers = {true, true, true};
  const SessionReport saved = context->SaveProgram(Edited("Deform", "Ripple", "y=y;"), user);
  const SessionReport moved = context->MoveProgramToEnd(Edited("Deform", "Wave", "x=1;"), user);
  const SessionReport missing = context->MoveProgramToEnd(Edited("No", "Such", ""), user);
  const SessionReport deleted = context->DeleteProgram(Edited("Deform", "Ripple", ""), user);
  EXPECT_EQ(user.questions, (std::vector<std::string>{"Do you save as a new program?",
                                                      "Do you move this program at last?",
                                                      "Do you delete this program?"}));
  EXPECT_TRUE(saved.messages.empty() && saved.choiceChanged && saved.programShown);
  EXPECT_TRUE(moved.messages.empty() && moved.choiceChanged);
  ASSERT_EQ(missing.messages.size(), 1u);
  EXPECT_EQ(missing.messages[0].kind, MessageKind::kNotice);
  EXPECT_EQ(missing.messages[0].text, "Program cannot be found.");
  EXPECT_TRUE(deleted.choiceChanged);
  ProgramLibrary stored;
  ASSERT_EQ(LoadProgramLibrary(folder.base(), &stored), 1);
  ASSERT_EQ(stored.ProgramCount(), 1);
  EXPECT_STREQ(stored.ProgramField(0, "Prog"), "x=1;");

  CurrentProgram faulty = {};
  std::snprintf(faulty.transformText, kProgramTextSize, "x=1;\r\nx=;\r\n");
  EXPECT_EQ(Texts(context->CheckProgram(faulty).messages),
            std::vector<std::string>{"Error in Transform program in line 2."});
}

TEST(FilterContext, ImportListsTheDataFolderThroughTheFrontEnd) {
  TempFolder folder;
  std::unique_ptr<FilterContext> context = OpenSession(folder, {});
  TempFolder::Write(folder.DataFile("a.txt"), "Group=Colour\nName=Sepia\nInit=\nProg=R=G;\n");
  RecordingFrontEnd user;
  EXPECT_TRUE(context->ImportProgramFiles(user).messages.empty());  // answered No
  user.answers = {true, true};
  EXPECT_EQ(Texts(context->ImportProgramFiles(user).messages),
            std::vector<std::string>{"No file founds."});
  user.files = {"a.txt", "gone.txt"};
  const SessionReport report = context->ImportProgramFiles(user);
  ASSERT_EQ(report.messages.size(), 2u);
  EXPECT_EQ(report.messages[0].kind, MessageKind::kError);
  EXPECT_EQ(report.messages[0].text, "gone.txt");
  EXPECT_EQ(report.messages[1].kind, MessageKind::kResult);
  EXPECT_EQ(report.messages[1].text, "1 new program(s) are added. 0 program(s) are overwritten.");
  EXPECT_EQ(Names(context->groupList), std::vector<std::string>{"Colour"});
}

// The programs of the library file, as "group/name" in order.
std::vector<std::string> StoredNames(const TempFolder& folder) {
  ProgramLibrary stored;
  LoadProgramLibrary(folder.base(), &stored);
  std::vector<std::string> names;
  for (int i = 0; i < stored.ProgramCount(); ++i) {
    names.push_back(std::string(stored.ProgramField(i, "Group")) + "/" +
                    stored.ProgramField(i, "Name"));
  }
  return names;
}

// A user who, while a question is open, lets another front end change the
// library file: the change asked about must apply to the file as it is then.
class InterleavingFrontEnd : public RecordingFrontEnd {
 public:
  std::function<void()> meanwhile;
  bool Ask(const char* question) override {
    if (meanwhile) std::exchange(meanwhile, nullptr)();
    return RecordingFrontEnd::Ask(question);
  }
};

TEST(FilterContext, EditorOperationsApplyToTheFileAsItIsWhenTheyWrite) {
  using Operation = std::function<SessionReport(FilterContext&, FrontEnd&)>;
  struct Case {
    const char* what;
    Operation operation;
    const char* otherSaves;  // the name the other front end saves meanwhile
    std::vector<std::string> stored;
    const char* error;  // part of the one error expected, or ""
  };
  const Case cases[] = {
      {"save",
       [](FilterContext& c, FrontEnd& u) { return c.SaveProgram(Edited("G", "Mine", "x=1;"), u); },
       "Other",
       {"G/Old", "G/Other", "G/Mine"},
       ""},
      {"save as new what another saved meanwhile",
       [](FilterContext& c, FrontEnd& u) { return c.SaveProgram(Edited("G", "New", "x=1;"), u); },
       "New",
       {"G/Old", "G/New"},
       "Another program saved G/New in the meantime; it is kept."},
      {"delete",
       [](FilterContext& c, FrontEnd& u) { return c.DeleteProgram(Edited("G", "Old", ""), u); },
       "Other",
       {"G/Other"},
       ""},
      {"move",
       [](FilterContext& c, FrontEnd& u) {
         return c.MoveProgramToEnd(Edited("G", "Old", "x=3;"), u);
       },
       "Other",
       {"G/Other", "G/Old"},
       ""},
      {"import",
       [](FilterContext& c, FrontEnd& u) { return c.ImportProgramFiles(u); },
       "Other",
       {"G/Old", "G/Other", "Colour/Sepia"},
       ""},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    TempFolder::Write(folder.DataFile("a.txt"), "Group=Colour\nName=Sepia\nInit=\nProg=R=G;\n");
    std::unique_ptr<FilterContext> mine = OpenSession(folder, {{"G", "Old", "", "x=0;"}});
    std::unique_ptr<FilterContext> other = OpenSession(folder, {});
    InterleavingFrontEnd user;
    user.answers = {true};
    user.files = {"a.txt"};
    user.meanwhile = [&] {
      RecordingFrontEnd otherUser;
      otherUser.answers = {true};
      EXPECT_TRUE(
          other->SaveProgram(Edited("G", c.otherSaves, "y=2;"), otherUser).messages.empty());
    };
    const SessionReport report = c.operation(*mine, user);
    EXPECT_EQ(StoredNames(folder), c.stored) << c.what;
    std::vector<std::string> errors;
    for (const UserMessage& message : report.messages) {
      if (message.kind == MessageKind::kError) errors.push_back(message.text);
    }
    EXPECT_EQ(errors.size(), *c.error != '\0' ? 1u : 0u) << c.what;
    for (const std::string& error : errors) EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    EXPECT_EQ(mine->library.ProgramCount(), static_cast<int>(c.stored.size())) << c.what;
  }
}

// Two front ends on one data folder, each saving or importing programs of
// its own in a loop on its own thread: every change reported done is in the
// file at the end.
TEST(FilterContext, TwoFrontEndsWritingAtOnceLoseNoProgram) {
  TempFolder folder;
  constexpr int kRounds = 12;
  for (int i = 0; i < kRounds; ++i) {
    TempFolder::Write(folder.DataFile(("b" + std::to_string(i) + ".txt").c_str()),
                      "Group=Imported\nName=b" + std::to_string(i) + "\nInit=\nProg=R=G;\n");
  }
  std::vector<std::string> failures[2];
  auto work = [&](int who) {
    std::unique_ptr<FilterContext> context = CreateFilterContext(folder.base());
    context->LoadSettingsAndLibrary();
    RecordingFrontEnd user;
    for (int i = 0; i < kRounds; ++i) {
      const std::string name = (who == 0 ? "a" : "b") + std::to_string(i);
      user.answers = {true};
      user.files = {name + ".txt"};
      const SessionReport report =
          who == 0 ? context->SaveProgram(Edited("Saved", name.c_str(), "x=1;"), user)
                   : context->ImportProgramFiles(user);
      for (const UserMessage& message : report.messages) {
        if (message.kind == MessageKind::kError) failures[who].push_back(message.text);
      }
      if (context->library.FindProgram(who == 0 ? "Saved" : "Imported", name.c_str()) < 0) {
        failures[who].push_back(name + " is not in the library after its change");
      }
    }
  };
  std::thread saving(work, 0);
  std::thread importing(work, 1);
  saving.join();
  importing.join();
  EXPECT_EQ(failures[0], std::vector<std::string>{});
  EXPECT_EQ(failures[1], std::vector<std::string>{});
  const std::vector<std::string> stored = StoredNames(folder);
  EXPECT_EQ(stored.size(), static_cast<size_t>(2 * kRounds));
  for (int i = 0; i < kRounds; ++i) {
    for (const char* program : {"Saved/a", "Imported/b"}) {
      const std::string name = program + std::to_string(i);
      EXPECT_NE(std::find(stored.begin(), stored.end(), name), stored.end()) << name;
    }
  }
}

}  // namespace

// The check names where the first fault is, for an editor to mark the line.
TEST(FilterContext, CheckNamesTheFaultyTextAndLine) {
  struct Case {
    const char* init;
    const char* transform;
    ProgramFault fault;
    int32_t line;
  };
  std::string thirteen;
  for (int i = 0; i < 13; ++i) thirteen += "?p" + std::to_string(i) + ",m,0,9,1;\r\n";
  const Case cases[] = {
      {"coord=2;\r\n?a,m,0,9,1;\r\n", "x=x*a;\r\n", ProgramFault::kNone, 0},
      {"coord=2;\r\n?a,m,0,9,1;\r\nq=(;\r\n", "", ProgramFault::kInit, 3},
      {"", "x=1;\r\n\r\nx=;\r\n", ProgramFault::kTransform, 3},
      {"coord=2;\r\n?a,m,0,9,1;\r\n?b,,0,9,1;\r\n", "", ProgramFault::kDeclarations, 3},
      {"?a,m,0,9,1;", "", ProgramFault::kDeclarations, 1},  // no line end after it
      {thirteen.c_str(), "", ProgramFault::kDeclarations, 13},
  };
  std::unique_ptr<FilterContext> context = CreateFilterContext(nullptr);
  for (const Case& c : cases) {
    CurrentProgram texts = {};
    std::snprintf(texts.initText, kProgramTextSize, "%s", c.init);
    std::snprintf(texts.transformText, kProgramTextSize, "%s", c.transform);
    const CheckReport report = context->CheckProgram(texts);
    EXPECT_EQ(report.fault, c.fault) << c.init << c.transform;
    EXPECT_EQ(report.line, c.line) << c.init << c.transform;
    EXPECT_EQ(report.messages.size(), c.fault == ProgramFault::kNone ? 0u : 1u);
  }
}

// Texts taken from an editor compile into the engine as a chosen program's
// do, and every group's programs can be listed without choosing it.
TEST(FilterContext, CompilesTakenTextsAndListsAnyGroup) {
  TempFolder folder;
  std::unique_ptr<FilterContext> context = OpenSession(folder, {{"Deform", "Twirl", "", "x=1;"},
                                                                {"Colour", "Sepia", "", "R=G;"},
                                                                {"Deform", "Wave", "", "y=1;"}});
  NameList programs = {};
  context->ListProgramsOf(0, &programs);
  EXPECT_EQ(Names(programs), (std::vector<std::string>{"Twirl", "Wave"}));
  context->ListProgramsOf(1, &programs);
  EXPECT_EQ(Names(programs), (std::vector<std::string>{"Sepia"}));
  EXPECT_EQ(context->settings.GroupNo, 0);
  context->TakeProgramTexts("a=1;\r\n", "x=x+;\r\n");
  const CompileReport failed = context->CompileProgramTexts();
  EXPECT_EQ(failed.status, CompileStatus::kTransformFailed);
  EXPECT_EQ(Texts(failed.messages), std::vector<std::string>{"Program compilation error."});
  context->TakeProgramTexts("a=1;\r\n", "x=x+a;\r\n");
  EXPECT_EQ(context->CompileProgramTexts().status, CompileStatus::kCompiled);
}
