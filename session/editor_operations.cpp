// The program editor's work on the library: check, save, delete and move.
// Every change is written to the library file at once.
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "session/session.h"

namespace {

// Compiles text on the private engine; on failure names the line with the
// message format given. An empty text is no error.
bool CompilesForCheck(ScriptEngine& engine, const char* text, const char* failureFormat,
                      ProgramFault fault, CheckReport* report) {
  const CompileOutcome outcome = engine.Compile(text, ProgramSlot::kScratch);
  if (!outcome.Failed()) return true;
  char message[96];
  std::snprintf(message, sizeof message, failureFormat, static_cast<int>(outcome.errorLine));
  report->messages.push_back({MessageKind::kError, message});
  report->fault = fault;
  report->line = outcome.errorLine;
  return false;
}

void Append(UserMessages* messages, UserMessages more) {
  for (UserMessage& message : more) messages->push_back(std::move(message));
}

}  // namespace

const EditedProgram kClearedProgram = {
    "Deform", "Sample", {"coord=2;\r\n?param,message,0,100,50;\r\n", "x=x+xs*param/100;\r\n"}};

void FilterContext::TakeEditedProgram(const EditedProgram& edited) {
  TakeProgramTexts(edited.texts.initText, edited.texts.transformText);
}

UserMessages FilterContext::WriteLibraryFile() {
  if (SaveLibrary(baseFolder.c_str(), library)) return {};
  // The change stays in memory; the user must know it is not on disk, and
  // why, when the library itself is the reason.
  const char* refusal = LibrarySaveRefusal(library);
  char message[512];
  std::snprintf(message, sizeof message, "%s The change is not saved.",
                refusal != nullptr ? refusal : "The library file could not be written.");
  return {{MessageKind::kError, message}};
}

// Refuses program texts whose stored line the library could not read back,
// with a message naming the text.
UserMessages FilterContext::RefuseUnstorableTexts(const CurrentProgram& texts) const {
  const ProgramTextCheck check = CheckProgramTexts(texts.initText, texts.transformText);
  if (check == kProgramTextsFit) return {};
  return {{MessageKind::kError, ProgramTextCheckMessage(check)}};
}

CheckReport FilterContext::CheckProgram(const CurrentProgram& texts) {
  TakeProgramTexts(texts.initText, texts.transformText);
  CheckReport report;
  // An engine of its own, so the programs the main dialog compiled stay.
  std::unique_ptr<ScriptEngine> checkEngine(new (std::nothrow) ScriptEngine());
  std::unique_ptr<RgbtImage> image(new (std::nothrow) RgbtImage(5, 5, 3));
  if (checkEngine == nullptr || image == nullptr) {
    report.messages.push_back({MessageKind::kError, "Not enough memory to check the program."});
    return report;
  }
  checkEngine->InstallBuiltinVariables(*image);
  char strippedInit[kProgramTextSize];
  StripDeclarationLines(program.initText, "?", strippedInit, sizeof strippedInit);
  const ParamTable table = {slots, &paramCount};
  if (!ParseParamDeclarations(engine, program.initText, table, kDeclareCheckOnly, nullptr)) {
    report.messages.push_back({MessageKind::kError, "Error in Initial parameter setting."});
    report.fault = ProgramFault::kDeclarations;
    // The detail names the first declaration malformed on its own, or
    // the thirteenth.
    report.detail = DiagnoseProgramTexts(program.initText, program.transformText).fault;
    report.line = report.detail.line;
    return report;
  }
  if (CompilesForCheck(*checkEngine, strippedInit, "Error in Initialize program in line %d.",
                       ProgramFault::kInit, &report)) {
    CompilesForCheck(*checkEngine, program.transformText, "Error in Transform program in line %d.",
                     ProgramFault::kTransform, &report);
  }
  ProgramDiagnosis diagnosis = DiagnoseProgramTexts(program.initText, program.transformText);
  report.detail = std::move(diagnosis.fault);
  report.warnings = std::move(diagnosis.warnings);
  return report;
}

SessionReport FilterContext::SaveProgram(const EditedProgram& edited, FrontEnd& frontEnd) {
  TakeEditedProgram(edited);
  SessionReport report;
  report.messages = RefuseUnstorableTexts(program);
  if (!report.messages.empty()) return report;
  const ProgramTextCheck namesCheck = CheckProgramNames(edited.group, edited.name);
  if (namesCheck != kProgramTextsFit) {
    report.messages.push_back({MessageKind::kError, ProgramTextCheckMessage(namesCheck)});
    return report;
  }
  const int index = library.FindProgram(edited.group, edited.name);
  if (index >= 0) {
    if (!frontEnd.Ask("Do you overwrite?")) return report;
    library.SetProgramTexts(index, program.initText, program.transformText);
  } else {
    if (library.ProgramCount() >= kMaxPrograms) {
      report.messages.push_back(
          {MessageKind::kError,
           "The library is full (1000 programs). Delete a program before saving a new one."});
      return report;
    }
    if (!frontEnd.Ask("Do you save as a new program?")) return report;
    library.AppendProgram(edited.group, edited.name, program.initText, program.transformText);
  }
  report.messages = WriteLibraryFile();
  ListGroups(edited.group);
  ListPrograms(edited.name);
  report.choiceChanged = true;
  report.programShown = true;
  return report;
}

SessionReport FilterContext::DeleteProgram(const EditedProgram& edited, FrontEnd& frontEnd) {
  TakeEditedProgram(edited);
  const int index = library.FindProgram(edited.group, edited.name);
  if (index >= 0 && frontEnd.Ask("Do you delete this program?")) library.CloseGap(index);
  SessionReport report;
  report.messages = WriteLibraryFile();
  ListGroups(edited.group);
  settings.FuncNo = 0;
  ListPrograms(nullptr);
  report.choiceChanged = true;
  report.programShown = true;
  return report;
}

SessionReport FilterContext::MoveProgramToEnd(const EditedProgram& edited, FrontEnd& frontEnd) {
  TakeEditedProgram(edited);
  SessionReport report;
  int index = library.FindProgram(edited.group, edited.name);
  if (index < 0) {
    report.messages.push_back({MessageKind::kNotice, "Program cannot be found."});
    return report;
  }
  // Refused before anything is removed, so a text that cannot be stored
  // never costs the user the copies already in the library.
  report.messages = RefuseUnstorableTexts(program);
  if (!report.messages.empty()) return report;
  int removed = 0;
  for (; index >= 0; index = library.FindProgram(edited.group, edited.name, index)) {
    if (!frontEnd.Ask("Do you move this program at last?")) break;
    library.CloseGap(index);  // the same index now holds the next program
    ++removed;
  }
  if (index >= 0) {
    // Cancelled part way: copies already removed stay removed, and the file
    // is written so that it matches what the library now holds.
    if (removed > 0) {
      report.messages = WriteLibraryFile();
      ListGroups(edited.group);
      ListPrograms(edited.name);
      report.choiceChanged = true;
    }
    return report;
  }
  library.AppendProgram(edited.group, edited.name, program.initText, program.transformText);
  ListGroups(edited.group);
  ListPrograms(edited.name);
  Append(&report.messages, WriteLibraryFile());
  report.choiceChanged = true;
  return report;
}
