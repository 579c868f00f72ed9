// The system's own words for an error number, for the reasons the program shows.
#pragma once

#include <string>

namespace tavrel::win32errors {

// FormatMessage's text for a Win32 error number, on one line without its final full stop; the
// number itself when the system has no text for it.
std::string Text(unsigned long error);
// Text of GetLastError(), taken at once.
std::string Last();

}  // namespace tavrel::win32errors
