#pragma once

#include <string>

#include "support/png.h"

namespace vantrel::test {

// Windows only: the screen (the Wine virtual desktop) or part of it, read back through GDI.
Image captureScreen(int x, int y, int width, int height);
// Saves the image as screenshots/<name> under the build directory (the tests' working directory).
bool saveScreenshot(const Image& image, const std::string& name);

}  // namespace vantrel::test
