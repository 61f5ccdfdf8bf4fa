#include "controls/canvas.h"

#include <cwctype>

namespace vantrel::controls {

bool TextMeasurer::isAlphaNumeric(wchar_t c) {
    return std::iswalnum(static_cast<wint_t>(c)) != 0;
}

}  // namespace vantrel::controls
