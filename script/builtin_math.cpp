// The numeric built-ins. Domain errors give fixed values instead of NaN or
// infinities, so a script never has to guard its own arguments.
#include <cmath>
#include <cstdlib>

#include "script/builtins.h"

double BuiltinSin(ScriptEngine&, const double* args, const char*) { return std::sin(args[0]); }

double BuiltinCos(ScriptEngine&, const double* args, const char*) { return std::cos(args[0]); }

double BuiltinTan(ScriptEngine&, const double* args, const char*) { return std::tan(args[0]); }

double BuiltinExp(ScriptEngine&, const double* args, const char*) { return std::exp(args[0]); }

double BuiltinLog(ScriptEngine&, const double* args, const char*) {
  return args[0] > 0.0 ? std::log(args[0]) : 0.0;
}

double BuiltinPow(ScriptEngine&, const double* args, const char*) {
  return std::pow(args[0], args[1]);
}

double BuiltinAbs(ScriptEngine&, const double* args, const char*) { return std::fabs(args[0]); }

double BuiltinSqrt(ScriptEngine&, const double* args, const char*) {
  return std::sqrt(std::fabs(args[0]));
}

// Rounds toward minus infinity, except that a negative value within 0.00001
// of a whole number rounds to that number: int(-2.000001) is -2. The result
// is an int32 like every other truncated script value: beyond that range it
// saturates, and NaN gives 0.
double BuiltinInt(ScriptEngine&, const double* args, const char*) {
  double n = args[0];
  return TruncateToInt32(n >= 0.0 ? n : n - 0.99999);
}

double BuiltinAcos(ScriptEngine&, const double* args, const char*) {
  double n = args[0];
  return (n < -1.0 || n > 1.0) ? 0.0 : std::acos(n);
}

double BuiltinAsin(ScriptEngine&, const double* args, const char*) {
  double n = args[0];
  return (n < -1.0 || n > 1.0) ? 0.0 : std::asin(n);
}

// atan2(y, x): the first argument is the vertical component.
double BuiltinAtan2(ScriptEngine&, const double* args, const char*) {
  return std::atan2(args[0], args[1]);
}

// Ties keep the first argument.
double BuiltinMin(ScriptEngine&, const double* args, const char*) {
  return args[1] < args[0] ? args[1] : args[0];
}

double BuiltinMax(ScriptEngine&, const double* args, const char*) {
  return args[1] > args[0] ? args[1] : args[0];
}

double BuiltinSgn(ScriptEngine&, const double* args, const char*) {
  if (args[0] > 0.0) return 1.0;
  if (args[0] < 0.0) return -1.0;
  return 0.0;
}

// One of 10000 evenly spaced values from max down to just above min, drawn
// from the C library's generator so that srand(n) repeats a sequence.
double BuiltinRand(ScriptEngine&, const double* args, const char*) {
  double low = args[0];
  double high = args[1];
  int k = std::rand() % 10000;
  return high - k * (high - low) * 0.0001;
}

double BuiltinSrand(ScriptEngine&, const double* args, const char*) {
  std::srand(static_cast<unsigned>(TruncateToInt32(args[0])));
  return 0.0;
}
