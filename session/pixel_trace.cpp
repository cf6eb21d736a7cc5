// The pixel tracer: one pixel of the current program run with an observer
// that turns the records the interpreter executes back into the statements
// they were compiled from, with the values each one set.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "session/session.h"

namespace {

// Work units (loop turns, the pixel) a trace may take: far beyond a program
// one reads step by step, and a bound on one that never ends.
constexpr int32_t kTraceBudgetChecks = 256;

// Follows one program's run record by record.
class StatementTracer {
 public:
  StatementTracer(ScriptEngine& engine, ProgramFault text, const char* source, PixelTrace* trace)
      : engine_(engine), text_(text), source_(source), trace_(trace) {
    mapped_ = MapStatements(source, &map_);
    turns_.assign(static_cast<size_t>(map_.statements.size), 0);
  }

  RunObserver Observer() {
    RunObserver observer;
    if (mapped_) {
      observer.beforeRecord = BeforeRecord;
      observer.context = this;
    }
    return observer;
  }

  // The run ended: a statement it left (exit, a stop) is noted with why.
  void Ended(const RunOutcome& outcome) {
    if (open_ < 0) return;
    if (outcome.Exited()) {
      step_.ending = "exit(" + std::to_string(outcome.exitCode) + ")";
    } else if (outcome.stopReason == StopReason::kInterrupted) {
      step_.ending = "the trace stopped: the program runs too long";
    } else if (outcome.Stopped()) {
      step_.ending = std::string("stopped: ") + StopReasonText(outcome.stopReason);
    }
    // Only its assignments: the driver has set variables of its own since.
    Finish(false);
  }

 private:
  static void BeforeRecord(void* context, int32_t record, const double* values,
                           double* const* cells, int32_t top) {
    static_cast<StatementTracer*>(context)->Before(record, values, cells, top);
  }

  void Before(int32_t record, const double* values, double* const* cells, int32_t top) {
    if (record < 0 || record >= map_.statementOf.size) return;
    const int32_t statement = map_.statementOf.data[record];
    if (statement < 0) return;
    if (open_ != statement) Start(statement);
    const Instruction& code = engine_.ProgramAt(Slot())->data[record];
    if (code.kind != KIND_OP) return;
    if (code.code == OP_LOOP_START) turns_[static_cast<size_t>(statement)] = 0;
    if (code.code == OP_ASSIGN && top >= 2 && cells[top - 2] != nullptr)
      step_.assigned.emplace_back(NameOf(cells[top - 2]), values[top - 1]);
    if (code.code == OP_END) Finish();
    if ((code.code == OP_IF_TEST || code.code == OP_LOOP_TEST) && top >= 1) {
      step_.isTest = true;
      step_.holds = values[top - 1] != 0.0;
      if (code.code == OP_LOOP_TEST) step_.turn = ++turns_[static_cast<size_t>(statement)];
      Finish();
    }
  }

  ProgramSlot Slot() const {
    return text_ == ProgramFault::kInit ? ProgramSlot::kInit : ProgramSlot::kTransform;
  }

  void Start(int32_t statement) {
    open_ = statement;
    const StatementSource& where = map_.statements.data[statement];
    step_ = TraceStep();
    step_.text = text_;
    step_.line = where.line;
    step_.column = where.column;
    EndOf(where, &step_.endLine, &step_.endColumn);
    step_.statement = Flattened(source_ + where.from, where.to - where.from);
    before_.resize(static_cast<size_t>(engine_.variableTable.count()));
    for (int32_t k = 0; k < engine_.variableTable.count(); ++k)
      before_[static_cast<size_t>(k)] = *static_cast<double*>(engine_.variableTable.ValueAt(k));
  }

  // The statement is done: what it changed besides its assignments (the
  // built-ins' variables) joins them, and the step is kept.
  void Finish(bool withChanges = true) {
    const int32_t count = withChanges ? engine_.variableTable.count() : 0;
    for (int32_t k = 0; k < count && static_cast<size_t>(k) < before_.size(); ++k) {
      const double now = *static_cast<double*>(engine_.variableTable.ValueAt(k));
      const double was = before_[static_cast<size_t>(k)];
      if (now == was || (now != now && was != was)) continue;
      const std::string name = engine_.variableTable.NameAt(k);
      bool listed = false;
      for (const auto& assigned : step_.assigned) listed = listed || assigned.first == name;
      if (!listed) step_.assigned.emplace_back(name, now);
    }
    open_ = -1;
    if (static_cast<int32_t>(trace_->steps.size()) >= kMaxTraceSteps) {
      ++trace_->stepsLeftOut;
      return;
    }
    if (step_.statement == ";" && step_.assigned.empty()) return;  // an empty statement
    // Init's last step, noted once the run is over, comes before the pixel's.
    auto at = trace_->steps.end();
    if (text_ == ProgramFault::kInit) {
      at = trace_->steps.begin();
      while (at != trace_->steps.end() && at->text == ProgramFault::kInit) ++at;
    }
    trace_->steps.insert(at, step_);
  }

  // Line and column just past the statement's last byte.
  void EndOf(const StatementSource& where, int32_t* line, int32_t* column) const {
    *line = where.line;
    *column = where.column;
    for (int32_t k = where.from; k < where.to && source_[k] != '\0'; ++k) {
      if (source_[k] == '\n') {
        ++*line;
        *column = 1;
      } else {
        ++*column;
      }
    }
  }

  std::string NameOf(const double* cell) const {
    for (int32_t k = 0; k < engine_.variableTable.count(); ++k)
      if (engine_.variableTable.ValueAt(k) == cell) return engine_.variableTable.NameAt(k);
    return "?";
  }

  static std::string Flattened(const char* text, int32_t length) {
    std::string flat;
    bool blank = false;
    for (int32_t k = 0; k < length && text[k] != '\0'; ++k) {
      const char c = text[k];
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        blank = !flat.empty();
        continue;
      }
      if (blank) flat += ' ';
      blank = false;
      flat += c;
    }
    return flat;
  }

  ScriptEngine& engine_;
  ProgramFault text_;
  const char* source_;
  PixelTrace* trace_;
  StatementMap map_;
  bool mapped_ = false;
  int32_t open_ = -1;
  TraceStep step_;
  std::vector<double> before_;
  std::vector<int32_t> turns_;
};

struct TraceBudget {
  int32_t checksLeft = kTraceBudgetChecks;
};

bool TraceMayGoOn(void* context) { return --static_cast<TraceBudget*>(context)->checksLeft > 0; }

class CollectedTraceErrors : public ErrorDisplay {
 public:
  explicit CollectedTraceErrors(UserMessages* messages) : messages_(messages) {}
  void ShowError(void*, const char* text) override {
    messages_->push_back({MessageKind::kError, text});
  }

 private:
  UserMessages* messages_;
};

std::string Number(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.9g", value);
  return text;
}

std::string Colour(const uint8_t* rgbt) {
  return "R " + std::to_string(rgbt[0]) + ", G " + std::to_string(rgbt[1]) + ", B " +
         std::to_string(rgbt[2]) + ", T " + std::to_string(rgbt[3]);
}

std::string StepLine(const TraceStep& step) {
  std::string where = std::to_string(step.line) + ":" + std::to_string(step.column);
  std::string line = "  " + where + std::string(where.size() < 7 ? 7 - where.size() : 1, ' ');
  line += step.statement;
  std::string what;
  if (step.isTest) {
    what = step.holds ? "true" : "false";
    if (step.turn > 0) what += " (test " + std::to_string(step.turn) + ")";
  }
  for (const auto& assigned : step.assigned) {
    if (!what.empty()) what += ", ";
    what += assigned.first + " = " + Number(assigned.second);
  }
  if (!step.ending.empty()) what += (what.empty() ? "" : ", ") + step.ending;
  if (!what.empty()) line += std::string(line.size() < 40 ? 40 - line.size() : 2, ' ') + what;
  return line + "\n";
}

std::string TransformHeading(const PixelTrace& trace) {
  return "Transform at x " + Number(trace.pixel.x) + ", y " + Number(trace.pixel.y) + ":\n";
}

std::string ResultLines(const PixelTrace& trace) {
  const PixelOutcome& pixel = trace.pixel;
  if (pixel.passes < 1) return "No pass runs: loop is " + std::to_string(pixel.passes) + ".\n";
  if (!pixel.ran) return "";
  std::string text = "coord " + Number(pixel.coord) + ": ";
  const uint8_t written[4] = {pixel.rgb[2], pixel.rgb[1], pixel.rgb[0], pixel.t};
  if (pixel.transform.Exited() && pixel.transform.exitCode < 0)
    return text + "exit(" + std::to_string(pixel.transform.exitCode) +
           ") ends the pass here; the pixel keeps " + Colour(written) + ".\n";
  if (!pixel.written)
    return text + "nothing is written; the pixel keeps " + Colour(written) + ".\n";
  if (pixel.coord == 0.0)
    return text + "the colour R, G, B, T is written: " + Colour(written) + ".\n";
  text += pixel.coord == 1.0 ? "the source is read at the polar position r, t"
                             : "the source is read at the position x, y";
  text += ", column " + Number(pixel.readX) + ", row " + Number(pixel.readY) + ".\n";
  text += "Written: " + Colour(written) + ".\n";
  if (pixel.passes > 1)
    text += "This is the first of " + std::to_string(pixel.passes) + " passes.\n";
  return text;
}

}  // namespace

PixelTrace FilterContext::TracePixel(int32_t column, int32_t row) {
  PixelTrace trace;
  trace.column = column;
  trace.row = row;
  trace.width = sourceRgb.width;
  trace.height = sourceRgb.height;
  if (column < 0 || row < 0 || column >= sourceRgb.width || row >= sourceRgb.height) {
    trace.messages.push_back(
        {MessageKind::kError, "The pixel (" + std::to_string(column) + ", " + std::to_string(row) +
                                  ") lies outside the image, which is " +
                                  std::to_string(sourceRgb.width) + " x " +
                                  std::to_string(sourceRgb.height) + " pixels."});
    return trace;
  }
  const uint8_t* colour = sourceRgb.data + static_cast<size_t>(row) * sourceRgb.rowLength +
                          static_cast<size_t>(column) * 3;
  trace.source[0] = colour[2];
  trace.source[1] = colour[1];
  trace.source[2] = colour[0];
  trace.source[3] = sourceT.data[static_cast<size_t>(row) * sourceT.rowLength + column];
  char initCode[kProgramTextSize];
  StripDeclarationLines(program.initText, "?", initCode, sizeof initCode);
  StatementTracer init(engine, ProgramFault::kInit, initCode, &trace);
  StatementTracer transform(engine, ProgramFault::kTransform, program.transformText, &trace);
  // The pixel is written into a copy, so the image stays as it was.
  RgbtImage resultRgb;
  RgbtImage resultT;
  if (!resultRgb.CreateLike(sourceRgb, 0) || !resultT.CreateLike(sourceT, 0)) {
    trace.messages.push_back({MessageKind::kError, "not enough memory to trace the pixel"});
    return trace;
  }
  resultRgb.Blit(sourceRgb, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  resultT.Blit(sourceT, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  CollectedTraceErrors errors(&trace.messages);
  TraceBudget budget;
  RunEnvironment environment = {&engine, slots, &errors, nullptr};
  environment.budget = {TraceMayGoOn, &budget};
  const TransformOutcome outcome =
      ::TracePixel(environment, {sourceRgb, sourceT}, {resultRgb, resultT},
                   static_cast<Interpolation>(settings.Interp), column, row, init.Observer(),
                   transform.Observer(), &trace.pixel);
  init.Ended(trace.pixel.init);
  transform.Ended(trace.pixel.transform);
  using Status = TransformOutcome::Status;
  if (outcome.status == Status::kTooManyPasses)
    trace.messages.push_back({MessageKind::kError, "The program asks for " +
                                                       std::to_string(trace.pixel.passes) +
                                                       " passes; a run takes at most " +
                                                       std::to_string(kMaxPasses) + "."});
  trace.traced = outcome.status == Status::kFinished || outcome.status == Status::kInterrupted;
  return trace;
}

std::string FormatPixelTrace(const PixelTrace& trace) {
  std::string text = "Pixel at column " + std::to_string(trace.column) + ", row " +
                     std::to_string(trace.row) + " of " + std::to_string(trace.width) + " x " +
                     std::to_string(trace.height) + ": " + Colour(trace.source) + ".\n";
  if (!trace.traced) return text;
  bool inTransform = false;
  text += "Init:\n";
  for (const TraceStep& step : trace.steps) {
    if (step.text == ProgramFault::kTransform && !inTransform) {
      inTransform = true;
      text += TransformHeading(trace);
    }
    text += StepLine(step);
  }
  if (!inTransform && trace.pixel.ran) text += TransformHeading(trace);
  if (trace.stepsLeftOut > 0)
    text += "  ... and " + std::to_string(trace.stepsLeftOut) + " more steps.\n";
  return text + ResultLines(trace);
}
