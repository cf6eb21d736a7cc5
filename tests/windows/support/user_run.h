// Runs a call that opens the plug-in's real dialogs with a scripted user at
// work. Under Windows a dialog nobody ends never ends: one still open
// kGiveUpMs after the user's last action is cancelled and reported among the
// user's failures, so a broken dialog fails its test instead of hanging the
// whole run.
#ifndef MORFEL_TESTS_WINDOWS_USER_RUN_H
#define MORFEL_TESTS_WINDOWS_USER_RUN_H

#include <windows.h>

#include <functional>
#include <string>

#include "platform/scripted_user/scripted_user.h"

constexpr UINT kGiveUpMs = 15000;

// Returns false (having run nothing) when the user cannot be started.
bool RunWithUser(ScriptedUser& user, const std::function<void()>& call);

// The text of a window, or of a dialog's control.
std::string TextOf(HWND window);
std::string ItemText(HWND dialog, int id);

#endif
