#pragma once

#include <windows.h>

#include <optional>

namespace vantrel {

// Handles one message the way every window of the program expects: the accelerator table first
// (for its window and that window's children), then the dialog keys of the top-level window the
// key is for (Tab and arrows move the focus, mnemonics and Enter press buttons), and only then
// translation and dispatch. The message loop and every message-aware wait use it, so dialogs keep
// their keyboard also while an optimization is waited for.
void dispatchMessage(MSG& msg);

// Dispatches every message waiting for the calling thread without blocking. A quit request stops
// the dispatch and its exit code is returned, for the caller to post again once it no longer
// waits (posting it at once would wake every message-aware wait immediately).
std::optional<int> dispatchPendingMessages();

// The dialog manager's part of a window procedure, for the program's windows that are not dialog
// boxes: DM_GETDEFID names the default button (the visible, enabled descendant push button with
// BS_DEFPUSHBUTTON) that Enter presses, and WM_NEXTDLGCTL moves the focus as the keyboard asks.
// True when msg was one of these, with its result.
bool handleDialogManagerMessage(HWND window, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

// The program's message loop: runs until WM_QUIT and returns its exit code.
int RunMessageLoop();

// The accelerator table the pump translates for window; nullptr for either clears it. The table
// stays the caller's; both are used on the GUI thread only.
void SetAccelerators(HACCEL table, HWND window);

}  // namespace vantrel
