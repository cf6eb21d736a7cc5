// Passes on several threads against the same passes on one: images,
// variables, progress and outcomes must be identical, byte for byte, for
// the programs the analysis accepts and for those it keeps on one thread.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "script/script.h"
#include "tests/script/seeded_random.h"
#include "transform/transform.h"

namespace {

// ---------------------------------------------------------------- analysis

struct AnalysisCase {
  const char* transform;
  OneThreadReason reason;
  const char* name;
};

// "x=1,1,...,1;": `values` values on the stack at once.
std::string DeepStack(int values) {
  std::string text = "x=1";
  for (int k = 1; k < values; ++k) text += ",1";
  return text + ";";
}
const std::string kDeeperThanMachineCode = DeepStack(300);
const std::string kDeeperThanTheStack = DeepStack(kRunStackSize + 1);

const AnalysisCase kAnalysisCases[] = {
    // Accepted: every pixel a function of its own inputs.
    {"R=255-R;G=255-G;B=255-B;", OneThreadReason::kNone, ""},
    {"if (r<rad) t=t+a*(rad-r)/rad;", OneThreadReason::kNone, ""},
    {"x=x+10*sin(y/10);y=y+10*sin(x/10);", OneThreadReason::kNone, ""},
    {"coord=0;i=0;a=0;b=0;while(i<32&&a*a+b*b<4){u=a*a-b*b+x/cx;b=2*a*b+y/cy;a=u;i=i+1;}R=i*8;",
     OneThreadReason::kNone, ""},
    {"if (r<rad) r=r*r/rad;", OneThreadReason::kNone, ""},
    {"t=t*3;", OneThreadReason::kNone, ""},
    {"if (R>100) z=R;", OneThreadReason::kNone, ""},  // written on some paths, never read
    {"HLS(R,G,B);u=H;RGB(H,L+20,S);", OneThreadReason::kNone, ""},
    {"if (x<0) { q=1; } else { q=2; } R=q;", OneThreadReason::kNone, ""},
    {"get(x+1,y);add(x-1,y,0.5);R=R(x,y)+Conv(0,x,y);", OneThreadReason::kNone, ""},
    {"if (y>0) exit(-1); coord=0;", OneThreadReason::kNone, ""},
    {"exit(1); _get(0,0);", OneThreadReason::kNone, ""},  // never runs
    {"if (x<0) { exit(0); } else { q=1; } R=q;", OneThreadReason::kNone, ""},
    {kDeeperThanMachineCode.c_str(), OneThreadReason::kNone, ""},
    // Refused, each for its reason.
    {"z=z+1;R=z;", OneThreadReason::kCarriesVariable, "z"},
    {"if (x<0) q=1; R=q;", OneThreadReason::kCarriesVariable, "q"},
    {"while (k<3) {k=k+1;}", OneThreadReason::kCarriesVariable, "k"},
    {"while (x<0) { q=1; x=x+1; } R=q;", OneThreadReason::kCarriesVariable, "q"},  // may not run
    {"if (R>100) coord=0;", OneThreadReason::kCarriesVariable, "coord"},
    {"cx=cx+1;", OneThreadReason::kCarriesVariable, "cx"},
    {"u=H;HLS(R,G,B);", OneThreadReason::kCarriesVariable, "H"},
    {"v=w;w=R;", OneThreadReason::kCarriesVariable, "w"},
    {"R=rand(0,255);", OneThreadReason::kRandom, "rand"},
    {"srand(3);", OneThreadReason::kRandom, "srand"},
    {"R=_R(1,1);", OneThreadReason::kReadsResult, "_R"},
    {"_get(0,0);", OneThreadReason::kReadsResult, "_get"},
    {"_Pset(0,0);", OneThreadReason::kWritesResult, "_Pset"},
    {"_Fill(1,1,1);", OneThreadReason::kWritesResult, "_Fill"},
    {"LoadBmp(0,\"a.bmp\");", OneThreadReason::kLoadsImage, "LoadBmp"},
    {"SetMatrix3(0,1,1,1,1,1,1,1,1,1,9);", OneThreadReason::kSetsMatrix, "SetMatrix3"},
    {"clean(0);", OneThreadReason::kChangesSource, "clean"},
    {"R=\"text\";", OneThreadReason::kMayStop, ""},
    {kDeeperThanTheStack.c_str(), OneThreadReason::kMayStop, ""},
};

TEST(PassAnalysis, NamesWhyAPassStaysOnOneThread) {
  for (const AnalysisCase& test : kAnalysisCases) {
    ScriptEngine engine;
    RgbtImage image(10, 10, 3);
    engine.InstallBuiltinVariables(image);
    engine.PrepareRun(kRunStackSize);
    ASSERT_EQ(engine.Compile(test.transform, ProgramSlot::kTransform).status,
              CompileOutcome::Status::kCompiled)
        << test.transform;
    const PassAnalysis analysis = AnalysePass(engine);
    EXPECT_EQ(analysis.reason, test.reason) << test.transform << ": " << analysis.name;
    EXPECT_STREQ(analysis.name, test.name) << test.transform;
  }
}

// ---------------------------------------------------------------- differential

std::vector<int32_t> g_progress;
void RecordProgress(int32_t row, int32_t total) { g_progress.push_back(row * 100000 + total); }

// One engine and its images, run on one thread or several.
struct Side {
  ScriptEngine engine;
  RgbtImage sourceRgb;
  RgbtImage sourceT;
  ProgressImage destinationRgb;
  RgbtImage destinationT;
  std::vector<int32_t> progress;
  TransformOutcome outcome;

  Side(int32_t width, int32_t height) {
    sourceRgb.Create(width, height, 3);
    sourceT.Create(width, height, 1);
    destinationRgb.Create(width, height, 3);
    destinationT.Create(width, height, 1);
    for (int32_t k = 0; k < width * height * 3; ++k)
      sourceRgb.data[k] = static_cast<uint8_t>(k * 37 + 11);
    for (int32_t k = 0; k < width * height; ++k) sourceT.data[k] = static_cast<uint8_t>(k * 13);
    destinationRgb.Fill(0xEE, -1);
    destinationT.Fill(0xEE, -1);
    destinationRgb.progress = RecordProgress;
  }

  bool Load(const std::string& init, const std::string& transform) {
    return !engine.Compile(init.c_str(), ProgramSlot::kInit).Failed() &&
           engine.Compile(transform.c_str(), ProgramSlot::kTransform).status ==
               CompileOutcome::Status::kCompiled;
  }

  void Run(PassThreads* threads, int32_t interpolation) {
    RunEnvironment environment{&engine, nullptr, nullptr, nullptr};
    environment.threads = threads;
    g_progress.clear();
    std::srand(1);  // both sides draw the same numbers, pass by pass
    outcome = RunTransform(environment, {sourceRgb, sourceT}, {destinationRgb, destinationT},
                           static_cast<Interpolation>(interpolation), nullptr);
    progress = g_progress;
  }
};

bool SameBytes(const RgbtImage& a, const RgbtImage& b) {
  return std::memcmp(a.data, b.data, static_cast<size_t>(a.rowLength) * a.height) == 0;
}

// The variable tables name the same variables in the same order; the
// values must agree bit for bit (NaN included).
void ExpectSameVariables(ScriptEngine& one, ScriptEngine& many, const std::string& program) {
  ASSERT_EQ(one.variableTable.count(), many.variableTable.count()) << program;
  for (int k = 0; k < one.variableTable.count(); ++k) {
    ASSERT_STREQ(one.variableTable.NameAt(k), many.variableTable.NameAt(k));
    EXPECT_EQ(
        std::memcmp(one.variableTable.ValueAt(k), many.variableTable.ValueAt(k), sizeof(double)), 0)
        << program << "\nvariable " << one.variableTable.NameAt(k) << ": "
        << *static_cast<double*>(one.variableTable.ValueAt(k)) << " against "
        << *static_cast<double*>(many.variableTable.ValueAt(k));
  }
}

// Runs the program twice (the second run's Init sees what the first left)
// on one thread and on `threads`, expecting the same everything. Returns
// whether the analysis accepted it.
bool ExpectSameOnThreads(const std::string& init, const std::string& transform, int32_t width,
                         int32_t height, int32_t threads, int32_t interpolation = kInterpRound) {
  const std::string program = "Init: " + init + "\nTransform: " + transform + "\nsize " +
                              std::to_string(width) + "x" + std::to_string(height) + ", " +
                              std::to_string(threads) + " threads";
  Side one(width, height);
  Side many(width, height);
  if (!one.Load(init, transform) || !many.Load(init, transform)) {
    ADD_FAILURE() << "does not compile: " << program;
    return false;
  }
  PassThreads pool(threads);
  for (int run = 0; run < 2; ++run) {
    one.Run(nullptr, interpolation);
    many.Run(&pool, interpolation);
    EXPECT_EQ(one.outcome.status, many.outcome.status) << program;
    EXPECT_EQ(one.outcome.firstStop.reason, many.outcome.firstStop.reason) << program;
    EXPECT_EQ(one.outcome.firstStop.x, many.outcome.firstStop.x) << program;
    EXPECT_EQ(one.outcome.firstStop.y, many.outcome.firstStop.y) << program;
    EXPECT_TRUE(SameBytes(one.destinationRgb, many.destinationRgb)) << program;
    EXPECT_TRUE(SameBytes(one.destinationT, many.destinationT)) << program;
    EXPECT_TRUE(SameBytes(one.sourceRgb, many.sourceRgb)) << program;
    EXPECT_EQ(one.progress, many.progress) << program;
    ExpectSameVariables(one.engine, many.engine, program);
  }
  return AnalysePass(many.engine).Independent();
}

struct ThreadCase {
  const char* init;
  const char* transform;
  bool several;  // the analysis accepts it
};

// Exits at chosen pixels, with variables written on some paths only, over
// one pass and several, and images of one row and one column.
const ThreadCase kThreadCases[] = {
    {"coord=0;", "R=255-R;G=255-G;B=255-B;", true},
    {"coord=1;a=2;", "if (r<cy) t=t+a*(cy-r)/cy;", true},
    {"coord=2;", "x=x+3*sin(y/2);y=y+3*sin(x/3);", true},
    {"coord=0;", "if (x+cx==3 && y+cy==4) exit(-1); if (G>90) z=x*7+y; R=x;", true},
    {"coord=0;", "if (x+cx==0 && y+cy==5) exit(-1); R=y;", true},
    {"coord=0;", "z=x; if (x+cx==4 && y+cy==0) { q=y; exit(-2); } q=R; R=q+z;", true},
    {"coord=0;", "if (y+cy==6) exit(-1); if (x+cx==2) exit(0); B=x;", true},
    {"coord=0;", "R=x; exit(1); _get(0,0);", true},
    {"coord=0;", "if (x+cx<3) { exit(0); } else { q=x+y; } R=q;", true},
    {"coord=0;loop=3;", "if (loop==2 && y+cy==3) exit(-1); R=R+40; if (B<50) w=loop*100+x;", true},
    {"coord=2;loop=2;keepImage=1;", "x=x+loop; HLS(R,G,B); h=H;", true},
    {"coord=0;", "if (B>128) coord=3; R=x;", false},  // coord on some paths: one thread
    {"coord=0;n=n+z;", "z=z+1;R=z;", false},          // carried: one thread
};

TEST(PassThreads, EveryResultIsTheOneThreadResult) {
  for (const ThreadCase& test : kThreadCases) {
    for (int32_t threads : {2, 7}) {
      EXPECT_EQ(ExpectSameOnThreads(test.init, test.transform, 9, 8, threads), test.several)
          << test.transform;
      ExpectSameOnThreads(test.init, test.transform, 1, 8, threads);
      ExpectSameOnThreads(test.init, test.transform, 9, 1, threads);
    }
  }
  EXPECT_TRUE(ExpectSameOnThreads("coord=1;", "t=t+r/9;", 64, 33, 3, kInterpBezier));
}

// Random pixel programs: names that the driver loads and reads, names of
// the program's own, built-ins with bound variables, and now and then one
// that keeps the pass on one thread.
class PixelProgramWriter {
 public:
  explicit PixelProgramWriter(Random& random) : random_(random) {}

  std::string Init() {
    std::string text = "coord=" + std::to_string(random_.Below(3)) + ";";
    if (random_.Below(3) == 0) text += "loop=2;keepImage=" + std::to_string(random_.Below(2)) + ";";
    return text + "a=a+z+1;b=" + std::to_string(random_.Below(9)) + ";";
  }

  std::string Transform() {
    std::string text;
    const int statements = 1 + random_.Below(5);
    for (int k = 0; k < statements; ++k) text += Statement(0);
    return text;
  }

 private:
  std::string Name() {
    static const char* const kNames[] = {"x", "y",     "R", "G", "B", "T", "r",
                                         "t", "coord", "a", "b", "z", "q", "H"};
    return random_.Pick(kNames);
  }

  std::string Expression(int depth) {
    switch (depth > 2 ? random_.Below(2) : random_.Below(8)) {
      case 0:
        return std::to_string(random_.Below(300) - 100);
      case 1:
        return Name();
      case 2:
        return "(" + Expression(depth + 1) + " + " + Expression(depth + 1) + ")";
      case 3:
        return "(" + Expression(depth + 1) + " * " + Expression(depth + 1) + ")";
      case 4:
        return "(" + Expression(depth + 1) + " < " + Expression(depth + 1) + ")";
      case 5: {
        static const char* const kCalls[] = {"sin", "sqrt", "int", "abs"};
        return std::string(random_.Pick(kCalls)) + "(" + Expression(depth + 1) + ")";
      }
      case 6: {
        static const char* const kCalls[] = {"get", "R", "B", "min", "atan2"};
        return std::string(random_.Pick(kCalls)) + "(" + Expression(depth + 1) + ", " +
               Expression(depth + 1) + ")";
      }
      default: {
        static const char* const kCalls[] = {"HLS", "RGB", "add"};
        return std::string(random_.Pick(kCalls)) + "(" + Expression(depth + 1) + ", " +
               Expression(depth + 1) + ", " + Expression(depth + 1) + ")";
      }
    }
  }

  std::string Statement(int depth) {
    switch (depth > 1 ? random_.Below(2) : random_.Below(7)) {
      case 0:
      case 1:
        return Name() + "=" + Expression(depth) + ";";
      case 2:
        return "if (" + Expression(depth) + ") " + Statement(depth + 1);
      case 3:
        return "if (" + Expression(depth) + ") {" + Statement(depth + 1) + "} else {" +
               Statement(depth + 1) + "}";
      case 4: {
        // Each depth its own counter, which nothing else assigns: loops end.
        const std::string k = "k" + std::to_string(depth);
        return k + "=0; while (" + k + "<" + std::to_string(random_.Below(3)) + ") {" + k + "=" +
               k + "+1;" + Statement(depth + 1) + "}";
      }
      case 5:
        return "if (x+cx==" + std::to_string(random_.Below(6)) +
               " && y+cy==" + std::to_string(random_.Below(6)) + ") exit(" +
               std::to_string(random_.Below(3) - 1) + ");";
      default: {
        static const char* const kSequential[] = {"R=rand(0,9);", "R=_R(1,0);", "cx=cx+0.5;",
                                                  "_Pset(1,1);", "z=z+1;"};
        return random_.Below(4) == 0 ? random_.Pick(kSequential) : "q=b;";
      }
    }
  }

  Random& random_;
};

TEST(PassThreads, RandomProgramsGiveTheOneThreadResult) {
  Random random(20261208);
  PixelProgramWriter writer(random);
  int accepted = 0;
  int refused = 0;
  for (int k = 0; k < 300; ++k) {
    const std::string init = writer.Init();
    const std::string transform = writer.Transform();
    const int32_t width = 1 + random.Below(7);
    const int32_t height = 1 + random.Below(7);
    if (ExpectSameOnThreads(init, transform, width, height, 2 + random.Below(6), random.Below(3))) {
      ++accepted;
    } else {
      ++refused;
    }
    if (HasFailure()) break;
  }
  EXPECT_GT(accepted, 40);
  EXPECT_GT(refused, 40);
  std::printf("%d accepted, %d refused\n", accepted, refused);
}

}  // namespace
