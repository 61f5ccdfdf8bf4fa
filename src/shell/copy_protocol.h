#pragma once

#include <cstdint>

// What a second copy of the program and the running copy's main window agree on. Header only, so
// that the main window can include it without the guard.
namespace vantrel {

// The window of a running copy that a second copy brings to the front: the program's main window,
// which stands for the "TApplication" window of each copy. Its class name is fixed here for both
// sides.
inline constexpr wchar_t kMainWindowClass[] = L"TVantrelMainForm";

// How a second copy asks the running one to show itself (the main window answers it):
//   message  RegisterWindowMessageW(kActivateCopyMessageName), sent with SendMessageTimeoutW,
//            SMTO_ABORTIFHUNG and kActivateCopyTimeoutMs, so a hung copy cannot hang the next one;
//            it is sent whether the window is hidden in the tray, minimised or visible
//   wParam   0
//   lParam   the process id of the copy that asks (it has already allowed that window to take
//            the foreground)
//   answer   kActivateCopyAnswer once the main window is shown as from the tray icon: visible,
//            restored when minimised, "Minimized" cleared, in front
// A window that does not answer so, and is minimised, is sent WM_SYSCOMMAND / SC_RESTORE instead.
inline constexpr wchar_t kActivateCopyMessageName[] = L"Vantrel.ActivateCopy";
inline constexpr intptr_t kActivateCopyAnswer = 0x564E;  // "VN"
inline constexpr uint32_t kActivateCopyTimeoutMs = 3000;

}  // namespace vantrel
