// The process-wide dialog trace: on when the grid is constructed with its trace flag
// set; each line goes to the debug-view sink and to standard output.
#pragma once

#include <string>

namespace Grid_3_1 {

void SetTraceEnabled(bool on);
bool TraceEnabled();
// message + "\n" to the debug output, message and a newline to standard output.
void Trace(const std::string& message);
// message + text + "\n" to the debug output; message, a blank, text and a newline to
// standard output.
void Trace(const std::string& message, const std::string& text);

}  // namespace Grid_3_1
