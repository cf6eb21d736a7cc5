// Shows the plug-in's three dialogs one after another, each held open with
// a program chosen until tools/screenshots.sh has photographed the screen:
//   windows_screenshots BASE HANDSHAKE PICTURE
// BASE is a base folder whose data folder holds program files to import,
// HANDSHAKE a folder for the hand-over files, PICTURE the image the host
// hands to the main dialog. Both folders end with a backslash. For each shot
// NAME the program writes NAME.ready holding the dialog's screen rectangle
// ("x y width height") and waits for NAME.taken.
#include <windows.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>

#include <cstdio>
#include <functional>
#include <string>

#include "platform/scripted_user/scripted_user.h"
#include "library/library.h"
#include "tests/windows/support/fake_host.h"
#include "tests/windows/support/plugin_dll.h"
#include "tests/windows/support/user_run.h"
#include "ui/resource.h"

namespace {

constexpr DWORD kWaitForShotMilliseconds = 60000;
constexpr DWORD kSettleMilliseconds = 700;
const char kGroup[] = "Deform";
const char kProgram[] = "Twirl";

std::string handshake;
int failures = 0;

// Lets the dialog paint and wine hand the picture to the X server.
void PumpFor(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < milliseconds) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(20);
  }
}

// Holds the dialog open until its screenshot is taken.
std::function<void(HWND)> Hold(const std::string& name) {
  return [name](HWND dialog) {
    RedrawWindow(dialog, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpFor(kSettleMilliseconds);
    RECT rect;
    GetWindowRect(dialog, &rect);
    const std::string ready = handshake + name + ".ready";
    FILE* file = std::fopen((ready + ".part").c_str(), "w");
    if (file == nullptr) {
      ++failures;
      return;
    }
    std::fprintf(file, "%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top);
    std::fclose(file);
    MoveFileA((ready + ".part").c_str(), ready.c_str());
    const std::string taken = handshake + name + ".taken";
    const DWORD start = GetTickCount();
    while (GetFileAttributesA(taken.c_str()) == INVALID_FILE_ATTRIBUTES) {
      if (GetTickCount() - start > kWaitForShotMilliseconds) {
        std::fprintf(stderr, "no screenshot of %s was taken\n", name.c_str());
        ++failures;
        return;
      }
      PumpFor(50);
    }
  };
}

// Merges every program file of the data folder into a fresh library.
int BuildLibrary(const std::string& base) {
  ProgramLibrary library;
  ImportCounters counters = {0, 0};
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((base + "Tarvo\\*.txt").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do {
    char message[512];
    ImportProgramFile(base.c_str(), found.cFileName, &library, &counters, message, sizeof message);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return counters.added > 0 && SaveLibrary(base.c_str(), library);
}

// The host's picture, or null (with a message) when it cannot be read.
FakeHost* LoadPicture(const char* path) {
  int width = 0, height = 0, channels = 0;
  unsigned char* pixels = stbi_load(path, &width, &height, &channels, 3);
  if (pixels == nullptr) {
    std::fprintf(stderr, "cannot read %s\n", path);
    return nullptr;
  }
  FakeHost* host = new FakeHost(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const unsigned char* rgb = &pixels[(static_cast<size_t>(y) * width + x) * 3];
      const uint8_t bgr[3] = {rgb[2], rgb[1], rgb[0]};
      host->SetSourcePixel(x, y, bgr, 255);
    }
  }
  stbi_image_free(pixels);
  return host;
}

void Report(const ScriptedUser& user) {
  if (!user.Finished()) {
    std::fprintf(stderr, "only %zu actions done\n", user.ActionsDone());
    ++failures;
  }
  for (const std::string& failure : user.Failures()) {
    std::fprintf(stderr, "%s\n", failure.c_str());
    ++failures;
  }
  for (const MessageBoxRecord& box : user.MessageBoxes()) {
    std::fprintf(stderr, "unexpected box %s: %s\n", box.title.c_str(), box.text.c_str());
    ++failures;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: windows_screenshots BASE HANDSHAKE PICTURE\n");
    return 2;
  }
  const std::string base = argv[1];
  handshake = argv[2];
  PluginDll plugin;
  if (!plugin.Load("morfel.dll")) {
    std::fprintf(stderr, "%s\n", plugin.error().c_str());
    return 1;
  }
  if (!BuildLibrary(base)) {
    std::fprintf(stderr, "no programs in %sTarvo\n", base.c_str());
    return 1;
  }
  FakeHost* host = LoadPicture(argv[3]);
  if (host == nullptr) return 1;

  ScriptedUser main;
  main.SelectComboText(IDC_GROUP_COMBO, kGroup);
  main.SelectComboText(IDC_FUNCTION_COMBO, kProgram);
  main.MoveSlider(IDC_PARAM_SLIDER_FIRST, 300);
  main.ClickButton(IDC_PREVIEW_BUTTON);
  main.CallWithDialog(Hold("main-dialog"));
  main.ClickButton(IDCANCEL);
  if (!RunWithUser(main, [&] {
        plugin.proc(host->window(), host->imageSize(), host->writeTable(), host->readTable(),
                    base.c_str());
      })) {
    ++failures;
  }
  Report(main);

  ScriptedUser editor;
  editor.SelectComboText(IDC_EDIT_GROUP_COMBO, kGroup);
  editor.SelectComboText(IDC_EDIT_PROGRAM_COMBO, kProgram);
  editor.CallWithDialog(Hold("editor-dialog"));
  editor.ClickButton(IDC_EDIT_HELP);
  editor.CallWithDialog(Hold("help-dialog"));
  editor.ClickButton(IDOK);
  editor.ClickButton(IDCANCEL);
  if (!RunWithUser(editor, [&] { plugin.option(host->window(), base.c_str()); })) ++failures;
  Report(editor);

  delete host;
  return failures == 0 ? 0 : 1;
}
