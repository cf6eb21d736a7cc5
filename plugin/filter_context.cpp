// The objects of one export call: created together at the start, destroyed
// together at the end, so nothing leaks from one call into the next.
#include <new>

#include "plugin/plugin.h"
#include "script/script.h"

namespace {

FilterContext* activeContext = nullptr;

template <typename T>
void DeleteMember(T*& member) {
  delete member;
  member = nullptr;
}

}  // namespace

FilterContext* ActiveFilterContext() { return activeContext; }

FilterContext* CreateFilterContext() {
  DestroyFilterContext();
  FilterContext* context = new (std::nothrow) FilterContext();
  if (context == nullptr) return nullptr;
  activeContext = context;
  // Value-initialised: texts empty, slots empty with minimum and maximum 0.
  context->program = new (std::nothrow) CurrentProgram();
  context->slots = new (std::nothrow) ParamSlot[kParamSlotBlock]();
  context->library = new (std::nothrow) ProgramLibrary();
  context->engine = new (std::nothrow) ScriptEngine();
  context->groupList = new (std::nothrow) NameList();
  context->functionList = new (std::nothrow) NameList();
  if (context->program == nullptr || context->slots == nullptr || context->library == nullptr ||
      context->engine == nullptr || context->groupList == nullptr ||
      context->functionList == nullptr) {
    DestroyFilterContext();
    return nullptr;
  }
  return context;
}

void DestroyFilterContext() {
  FilterContext* context = activeContext;
  if (context == nullptr) return;
  DeleteMember(context->program);
  delete[] context->slots;
  context->slots = nullptr;
  DeleteMember(context->library);
  DeleteMember(context->sourceRgb);
  DeleteMember(context->sourceT);
  DeleteMember(context->engine);
  DeleteMember(context->previewSourceRgb);
  DeleteMember(context->previewSourceT);
  DeleteMember(context->previewResultRgb);
  DeleteMember(context->previewResultT);
  DeleteMember(context->groupList);
  DeleteMember(context->functionList);
  delete context;
  activeContext = nullptr;
}

int32_t ReadHostImage(HWND parentWindow, const int32_t* imageSize,
                      const RowCallbackTable* readTable) {
  (void)parentWindow;
  FilterContext* context = activeContext;
  if (context == nullptr) return 0;
  context->sourceRgb = new (std::nothrow) ProgressImage();
  context->sourceT = new (std::nothrow) RgbtImage();
  context->previewSourceRgb = new (std::nothrow) ProgressImage();
  context->previewSourceT = new (std::nothrow) RgbtImage();
  context->previewResultRgb = new (std::nothrow) ProgressImage();
  context->previewResultT = new (std::nothrow) ProgressImage();
  if (context->sourceRgb == nullptr || context->sourceT == nullptr ||
      context->previewSourceRgb == nullptr || context->previewSourceT == nullptr ||
      context->previewResultRgb == nullptr || context->previewResultT == nullptr) {
    return 0;
  }
  ReadHostRows(readTable, imageSize, *context->sourceRgb, *context->sourceT);
  return 1;
}
