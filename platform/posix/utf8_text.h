// Text for a toolkit that accepts only UTF-8: a pure function, tested alone.
#pragma once

#include <string>

// `text` with every byte that does not belong to a well-formed UTF-8 sequence
// replaced by U+FFFD. Overlong forms, surrogates and code points above
// U+10FFFF count as malformed, as they do for GLib.
std::string valid_utf8(const char* text);
