// Choosing the current program from the library by group and name, and
// compiling it: shared by the main dialog and the program editor.
#include <cstdio>
#include <cstring>

#include "session/session.h"

namespace {

// A library name as the lists hold it: cut to fit a 128-byte buffer, so a
// hand-edited library with longer names is shown cut, never overflowing.
struct ListedName {
  char text[kNameTextSize];
};

ListedName CutName(const char* name) {
  ListedName cut = {};
  if (name != nullptr) std::snprintf(cut.text, sizeof cut.text, "%s", name);
  return cut;
}

// Fields of program index as the lists see them; a missing key reads as an
// empty text.
ListedName ProgramGroup(const ProgramLibrary& library, int32_t index) {
  return CutName(library.ProgramField(index, "Group"));
}

ListedName ProgramName(const ProgramLibrary& library, int32_t index) {
  return CutName(library.ProgramField(index, "Name"));
}

void CopyProgramText(char* destination, const char* text) {
  std::snprintf(destination, kProgramTextSize, "%s", text != nullptr ? text : "");
}

// Letter case ignored in the ASCII letters, as the dialogs' list boxes
// compare their items.
bool SameIgnoringCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    const unsigned char ca = static_cast<unsigned char>(*a);
    const unsigned char cb = static_cast<unsigned char>(*b);
    const int la = ca >= 'A' && ca <= 'Z' ? ca + ('a' - 'A') : ca;
    const int lb = cb >= 'A' && cb <= 'Z' ? cb + ('a' - 'A') : cb;
    if (la != lb) return false;
  }
  return *a == *b;
}

bool ListedIgnoringCase(const NameList& list, const char* name) {
  for (int32_t i = 0; i < list.count; ++i) {
    if (SameIgnoringCase(list.names[i], name)) return true;
  }
  return false;
}

// name null: *chosen stays. Otherwise *chosen := the position of name
// (exact, letter case included), or 0 when absent.
void ChooseByName(const NameList& list, const char* name, int32_t* chosen) {
  if (name == nullptr) return;
  const int32_t position = FindName(list, CutName(name).text);
  *chosen = position < 0 ? 0 : position;
}

}  // namespace

void FilterContext::ListGroups(const char* name) {
  groupList.count = 0;
  const int32_t programs = library.ProgramCount();
  for (int32_t i = 0; i < programs && i < kMaxPrograms; ++i) {
    // The first spelling of a group stands for every spelling.
    const ListedName group = ProgramGroup(library, i);
    if (!ListedIgnoringCase(groupList, group.text)) AppendName(groupList, group.text);
  }
  ChooseByName(groupList, name, &settings.GroupNo);
}

void FilterContext::ListProgramsOf(int32_t groupPosition, NameList* programs) const {
  const ListedName group = CutName(NameAt(groupList, groupPosition));
  programs->count = 0;
  const int32_t count = library.ProgramCount();
  for (int32_t i = 0; i < count && i < kMaxPrograms; ++i) {
    if (std::strcmp(ProgramGroup(library, i).text, group.text) != 0) continue;
    AppendName(*programs, ProgramName(library, i).text);
  }
}

void FilterContext::ListPrograms(const char* name) {
  ListProgramsOf(settings.GroupNo, &functionList);
  ChooseByName(functionList, name, &settings.FuncNo);
}

void FilterContext::ChooseGroup(int32_t position) {
  settings.GroupNo = position;
  settings.FuncNo = 0;
  ListPrograms(nullptr);
}

void FilterContext::ChooseProgram(int32_t position) { settings.FuncNo = position; }

void FilterContext::ChooseInterpolation(int32_t position) { settings.Interp = position; }

void FilterContext::SetAutoPreview(bool on) { settings.Preview = on ? 1 : 0; }

const char* FilterContext::ChosenGroupName() const { return NameAt(groupList, settings.GroupNo); }

const char* FilterContext::ChosenProgramName() const {
  return NameAt(functionList, settings.FuncNo);
}

SessionReport FilterContext::SelectCurrentProgram() {
  // Copies: refilling the lists below empties the lists they live in.
  const ListedName group = CutName(ChosenGroupName());
  const ListedName name = CutName(ChosenProgramName());
  const int32_t programs = library.ProgramCount();
  for (int32_t i = 0; i < programs && i < kMaxPrograms; ++i) {
    if (std::strcmp(ProgramGroup(library, i).text, group.text) != 0) continue;
    if (std::strcmp(ProgramName(library, i).text, name.text) != 0) continue;
    const char* initText = library.ProgramField(i, "Init");
    const char* transformText = library.ProgramField(i, "Prog");
    CopyProgramText(program.initText, initText);
    CopyProgramText(program.transformText, transformText);
    SessionReport report;
    const ProgramTextCheck runnable = CheckRunnableTexts(initText, transformText);
    if (runnable != kProgramTextsFit) {
      report.messages.push_back({MessageKind::kError, ProgramTextCheckMessage(runnable)});
    }
    return report;
  }
  std::snprintf(program.initText, kProgramTextSize,
                "The function is not found.\r\nGroup Num = %d (%s)\r\nFunction Num = %d (%s)\r\n",
                static_cast<int>(settings.GroupNo), group.text, static_cast<int>(settings.FuncNo),
                name.text);
  program.transformText[0] = '\0';
  ListGroups(group.text);
  ListPrograms(name.text);
  SessionReport report;
  report.choiceChanged = true;
  return report;
}

CompileReport FilterContext::CompileCurrentProgram() {
  const SessionReport selected = SelectCurrentProgram();
  if (!selected.messages.empty()) {
    // A program cut to fit would run as some other program: nothing runs.
    engine.Compile("", ProgramSlot::kInit);
    engine.Compile("", ProgramSlot::kTransform);
    CompileReport report;
    static_cast<SessionReport&>(report) = selected;
    report.status = CompileStatus::kTooLongToRun;
    return report;
  }
  CompileReport report = CompileProgramTexts();
  report.choiceChanged = selected.choiceChanged;
  return report;
}

CompileReport FilterContext::CompileProgramTexts() {
  CompileReport report;
  char initCode[kProgramTextSize];
  StripDeclarationLines(program.initText, "?", initCode, sizeof initCode);
  if (engine.Compile(initCode, ProgramSlot::kInit).Failed()) {
    report.status = CompileStatus::kInitFailed;
    report.messages.push_back({MessageKind::kError, "Initialization error."});
    report.detail = NoteOfCompileError(ProgramFault::kInit, engine.errorDetail, initCode);
    return report;
  }
  if (engine.Compile(program.transformText, ProgramSlot::kTransform).Failed()) {
    report.status = CompileStatus::kTransformFailed;
    report.messages.push_back({MessageKind::kError, "Program compilation error."});
    report.detail =
        NoteOfCompileError(ProgramFault::kTransform, engine.errorDetail, program.transformText);
  }
  return report;
}
