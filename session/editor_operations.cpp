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

const char kLibraryFullMessage[] =
    "The library is full (1000 programs). Delete a program before saving a new one.";

}  // namespace

const EditedProgram kClearedProgram = {
    "Deform", "Sample", {"coord=2;\r\n?param,message,0,100,50;\r\n", "x=x+xs*param/100;\r\n"}};

void FilterContext::TakeEditedProgram(const EditedProgram& edited) {
  TakeProgramTexts(edited.texts.initText, edited.texts.transformText);
}

void FilterContext::ReloadLibrary() {
  library.Parse("");
  library.SetIncompleteLoad(0);
  LoadProgramLibrary(baseFolder.c_str(), &library);
}

UserMessages FilterContext::ChangeLibraryFile(const LibraryEditor& edit) {
  const FileUpdate update = UpdateLibrary(baseFolder.c_str(), edit, &library);
  if (update.Succeeded()) return {};
  // What is shown is what the file holds, not a change that never reached it.
  ReloadLibrary();
  return {{MessageKind::kError, update.message + " The change is not saved."}};
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
  // The question is about the library as the file holds it now.
  ReloadLibrary();
  const bool existed = library.FindProgram(edited.group, edited.name) >= 0;
  if (!existed && library.ProgramCount() >= kMaxPrograms) {
    report.messages.push_back({MessageKind::kError, kLibraryFullMessage});
    return report;
  }
  if (!frontEnd.Ask(existed ? "Do you overwrite?" : "Do you save as a new program?")) return report;
  std::string refusal;
  report.messages = ChangeLibraryFile([&](ProgramLibrary& current) {
    const int index = current.FindProgram(edited.group, edited.name);
    if (index >= 0 && !existed) {
      // Saved by another program while the user answered: never overwritten unasked.
      refusal = std::string("Another program saved ") + edited.group + "/" + edited.name +
                " in the meantime; it is kept. Save again to overwrite it. The change is not "
                "saved.";
      return LibraryEdit::kUnchanged;
    }
    if (index >= 0) {
      current.SetProgramTexts(index, program.initText, program.transformText);
    } else if (current.AppendProgram(edited.group, edited.name, program.initText,
                                     program.transformText) < 0) {
      refusal = kLibraryFullMessage;
      return LibraryEdit::kUnchanged;
    }
    return LibraryEdit::kChanged;
  });
  if (!refusal.empty()) report.messages.push_back({MessageKind::kError, refusal});
  ListGroups(edited.group);
  ListPrograms(edited.name);
  report.choiceChanged = true;
  report.programShown = true;
  return report;
}

SessionReport FilterContext::DeleteProgram(const EditedProgram& edited, FrontEnd& frontEnd) {
  TakeEditedProgram(edited);
  ReloadLibrary();
  const bool confirmed = library.FindProgram(edited.group, edited.name) >= 0 &&
                         frontEnd.Ask("Do you delete this program?");
  SessionReport report;
  // Written whatever the answer, so the lists show the file as it is now.
  report.messages = ChangeLibraryFile([&](ProgramLibrary& current) {
    const int index = current.FindProgram(edited.group, edited.name);
    if (confirmed && index >= 0) current.CloseGap(index);
    return LibraryEdit::kChanged;
  });
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
  ReloadLibrary();
  int copies = 0;
  for (int index = library.FindProgram(edited.group, edited.name); index >= 0;
       index = library.FindProgram(edited.group, edited.name, index + 1)) {
    ++copies;
  }
  if (copies == 0) {
    report.messages.push_back({MessageKind::kNotice, "Program cannot be found."});
    return report;
  }
  // Refused before anything is removed, so a text that cannot be stored
  // never costs the user the copies already in the library.
  report.messages = RefuseUnstorableTexts(program);
  if (!report.messages.empty()) return report;
  int approved = 0;
  while (approved < copies && frontEnd.Ask("Do you move this program at last?")) ++approved;
  if (approved == 0) return report;
  // Cancelled part way, the copies approved are removed all the same and
  // nothing is appended; every copy approved, the one move is made on what
  // the file holds now, whatever copies it holds.
  const bool moved = approved == copies;
  std::string refusal;
  report.messages = ChangeLibraryFile([&](ProgramLibrary& current) {
    int removed = 0;
    for (int index = current.FindProgram(edited.group, edited.name);
         index >= 0 && (moved || removed < approved);
         index = current.FindProgram(edited.group, edited.name, index)) {
      current.CloseGap(index);  // the same index now holds the next program
      ++removed;
    }
    if (moved && current.AppendProgram(edited.group, edited.name, program.initText,
                                       program.transformText) < 0) {
      refusal = kLibraryFullMessage;
    }
    return LibraryEdit::kChanged;
  });
  if (!refusal.empty()) report.messages.push_back({MessageKind::kError, refusal});
  ListGroups(edited.group);
  ListPrograms(edited.name);
  report.choiceChanged = true;
  return report;
}
