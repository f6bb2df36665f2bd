// The parameter text of the host's execCmd, taken apart: a name, a plain value after "=", or a
// brace list of key=value pairs after "=" (ActionCommand={key=1; group=2}).
#pragma once

#include <string>
#include <utility>
#include <vector>

struct CommandParam {
    std::string cmdSource;                                      // the text as the host gave it
    std::string cmdName;                                        // before the first "=", blanks kept
    std::string cmdValue;                                       // after the "=", unchanged; empty with a brace list
    std::vector<std::pair<std::string, std::string>> cmdPairs;  // the brace list, white space removed
    // A brace list that cannot be read as the host meant it: an entry without "=", an empty
    // key or no closing brace. Acting on such a list would quietly use defaults instead.
    bool malformed = false;
    std::string problem;  // why, for the log line

    static CommandParam Parse(const std::string& text);
    // "Parsed contents: (key = value)... From source: <text>", for log lines.
    std::string Describe() const;
};
