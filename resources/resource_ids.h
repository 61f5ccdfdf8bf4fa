// Names of the program file's own resources, shared by the resource script and the code.
// Plain macros only: the resource compiler reads this file too.
#pragma once

// The application icon (16, 32, 48 and 256 pixels): window, tray, About page.
#define VANTREL_IDI_APPLICATION 1
