// The settings file: the main dialog's last choices, section "Default".
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "image/image.h"
#include "library/library.h"
#include "library/text_file.h"

namespace {

const char kSection[] = "Default";

// The four numbers, one table so reading and writing stay in step.
struct SettingsField {
  const char* key;
  int32_t FilterSettings::*field;
};
const SettingsField kSettingsFields[] = {
    {"GroupNo", &FilterSettings::GroupNo},
    {"FuncNo", &FilterSettings::FuncNo},
    {"Interp", &FilterSettings::Interp},
    {"Preview", &FilterSettings::Preview},
};

void ParamKey(int index, char key[16]) { std::snprintf(key, 16, "Param%d", index); }

// Reads a leading decimal number as "%d" would (blanks and sign allowed,
// trailing text ignored); no number gives 0, out-of-range numbers clamp.
int32_t ReadDecimal(const char* text) {
  long value = std::strtol(text, nullptr, 10);
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

void ResetSettings(FilterSettings* settings, CurrentProgram* program, ParamSlot* slots) {
  *settings = FilterSettings{0, 0, 0, 0};
  if (program != nullptr) {
    program->initText[0] = '\0';
    program->transformText[0] = '\0';
  }
  for (int i = 0; i < kParamSlotCount; i++) {
    slots[i].message[0] = '\0';
    slots[i].name[0] = '\0';
    slots[i].value[0] = '\0';
  }
}

}  // namespace

int LoadSettings(const char* baseFolder, FilterSettings* settings, CurrentProgram* program,
                 ParamSlot slots[kParamSlotCount]) {
  ResetSettings(settings, program, slots);
  char path[kPathBufferSize];
  if (!SettingsPath(path, sizeof path, baseFolder)) return 0;
  std::string text;
  if (ReadWholeFile(path, &text) != kFileRead) return 0;
  KeyValueDocument document;
  document.Parse(text.data(), text.size());  // a bad line keeps what came before it
  for (const SettingsField& entry : kSettingsFields) {
    const char* value = document.Get(entry.key, kSection);
    if (value != nullptr) settings->*entry.field = ReadDecimal(value);
  }
  for (int i = 0; i < kParamSlotCount; i++) {
    char key[16];
    ParamKey(i, key);
    document.CopyValue(key, kSection, slots[i].value, kNameTextSize);
  }
  return 1;
}

int SaveSettings(const char* baseFolder, const FilterSettings& settings,
                 const ParamSlot slots[kParamSlotCount]) {
  return StoreSettings(baseFolder, settings, slots).status == FileUpdateStatus::kWritten;
}

FileUpdate StoreSettings(const char* baseFolder, const FilterSettings& settings,
                         const ParamSlot slots[kParamSlotCount]) {
  char path[kPathBufferSize];
  if (!SettingsPath(path, sizeof path, baseFolder)) {
    return {FileUpdateStatus::kWriteFailed, "The settings file's path is too long."};
  }
  KeyValueDocument document;
  for (const SettingsField& entry : kSettingsFields) {
    int32_t value = settings.*entry.field;
    // Bezier is remembered as Linear: the next session starts with the faster one.
    if (entry.field == &FilterSettings::Interp && value > kInterpLinear) value = kInterpLinear;
    char number[16];
    std::snprintf(number, sizeof number, "%d", static_cast<int>(value));
    document.Set(entry.key, number, kSection);
  }
  for (int i = 0; i < kParamSlotCount; i++) {
    char key[16];
    ParamKey(i, key);
    char value[kNameTextSize];
    // Slots are fixed buffers that may lack a terminator; never read past them.
    std::snprintf(value, sizeof value, "%.*s", kNameTextSize - 1, slots[i].value);
    document.Set(key, value, kSection);
  }
  std::string text(document.SerializedLength() + 1, '\0');
  long length = document.Serialize(&text[0], text.size());
  if (length < 0 || length + 1 > kMaxSettingsBytes) {
    return {FileUpdateStatus::kRefused,
            "The settings are not saved to \"" + std::string(path) +
                "\": a parameter value holds a backslash followed by \"n\", which would read "
                "back as a line break."};
  }
  return WriteFileUnderLock(path, text.data(), static_cast<size_t>(length));
}
