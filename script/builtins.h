// Handlers of the built-in functions, one per row of BuiltinTable (exit
// excepted: Run ends the run itself). Each takes its numeric arguments with
// args[0] the first (deepest) and returns the value the call leaves on the
// stack; `text` is the run's text register (the file name of the loaders).
#pragma once

#include "script/script.h"

double BuiltinSin(ScriptEngine& engine, const double* args, const char* text);
double BuiltinCos(ScriptEngine& engine, const double* args, const char* text);
double BuiltinTan(ScriptEngine& engine, const double* args, const char* text);
double BuiltinExp(ScriptEngine& engine, const double* args, const char* text);
double BuiltinLog(ScriptEngine& engine, const double* args, const char* text);
double BuiltinPow(ScriptEngine& engine, const double* args, const char* text);
double BuiltinAbs(ScriptEngine& engine, const double* args, const char* text);
double BuiltinSqrt(ScriptEngine& engine, const double* args, const char* text);
double BuiltinRand(ScriptEngine& engine, const double* args, const char* text);
double BuiltinSrand(ScriptEngine& engine, const double* args, const char* text);
double BuiltinInt(ScriptEngine& engine, const double* args, const char* text);
double BuiltinAcos(ScriptEngine& engine, const double* args, const char* text);
double BuiltinAsin(ScriptEngine& engine, const double* args, const char* text);
double BuiltinAtan2(ScriptEngine& engine, const double* args, const char* text);
double BuiltinMin(ScriptEngine& engine, const double* args, const char* text);
double BuiltinMax(ScriptEngine& engine, const double* args, const char* text);
double BuiltinSgn(ScriptEngine& engine, const double* args, const char* text);
double BuiltinGet(ScriptEngine& engine, const double* args, const char* text);
double BuiltinDstGet(ScriptEngine& engine, const double* args, const char* text);
double BuiltinAdd(ScriptEngine& engine, const double* args, const char* text);
double BuiltinDstAdd(ScriptEngine& engine, const double* args, const char* text);
double BuiltinGetb(ScriptEngine& engine, const double* args, const char* text);
double BuiltinSrcR(ScriptEngine& engine, const double* args, const char* text);
double BuiltinSrcG(ScriptEngine& engine, const double* args, const char* text);
double BuiltinSrcB(ScriptEngine& engine, const double* args, const char* text);
double BuiltinSrcT(ScriptEngine& engine, const double* args, const char* text);
double BuiltinDstR(ScriptEngine& engine, const double* args, const char* text);
double BuiltinDstG(ScriptEngine& engine, const double* args, const char* text);
double BuiltinDstB(ScriptEngine& engine, const double* args, const char* text);
double BuiltinDstT(ScriptEngine& engine, const double* args, const char* text);
double BuiltinHls(ScriptEngine& engine, const double* args, const char* text);
double BuiltinRgb(ScriptEngine& engine, const double* args, const char* text);
double BuiltinSetMatrix3(ScriptEngine& engine, const double* args, const char* text);
double BuiltinSetMatrix5(ScriptEngine& engine, const double* args, const char* text);
double BuiltinLoadBmp(ScriptEngine& engine, const double* args, const char* text);
double BuiltinLoadBmpNum(ScriptEngine& engine, const double* args, const char* text);
double BuiltinConv(ScriptEngine& engine, const double* args, const char* text);
double BuiltinDstConv(ScriptEngine& engine, const double* args, const char* text);
double BuiltinFill(ScriptEngine& engine, const double* args, const char* text);
double BuiltinFillT(ScriptEngine& engine, const double* args, const char* text);
double BuiltinCopy(ScriptEngine& engine, const double* args, const char* text);
double BuiltinDraw(ScriptEngine& engine, const double* args, const char* text);
double BuiltinDrawT(ScriptEngine& engine, const double* args, const char* text);
double BuiltinPset(ScriptEngine& engine, const double* args, const char* text);
double BuiltinTset(ScriptEngine& engine, const double* args, const char* text);
double BuiltinSlotWidth(ScriptEngine& engine, const double* args, const char* text);
double BuiltinSlotHeight(ScriptEngine& engine, const double* args, const char* text);
double BuiltinClean(ScriptEngine& engine, const double* args, const char* text);
