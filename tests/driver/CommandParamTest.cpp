// The execCmd parameter text taken apart: one row per form.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "driver/CommandParam.h"

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

struct Row {
    const char* text;
    const char* name;
    const char* value;
    Pairs pairs;
    bool malformed;
};

}  // namespace

TEST(CommandParamTest, ParsesNamesValuesAndBraceLists)
{
    const Row rows[] = {
        {"softwareTrigger", "softwareTrigger", "", {}, false},
        {"", "", "", {}, false},
        {"loglevel=3", "loglevel", "3", {}, false},
        {" Width = 640 ", " Width ", " 640 ", {}, false},
        {"IniFile=", "IniFile", "", {}, false},
        {"a=b=c", "a", "b=c", {}, false},
        {"ActionCommand={key = 1; group=2}", "ActionCommand", "", {{"key", "1"}, {"group", "2"}}, false},
        {"name=a{b=1}", "name", "", {{"b", "1"}}, false},
        {"x={ip=10.0.0.1;time=5;}", "x", "", {{"ip", "10.0.0.1"}, {"time", "5"}}, false},
        {"x={}", "x", "", {}, false},
        {"x={ k e y = 1 2 }", "x", "", {{"key", "12"}}, false},
        {"x={key=1", "x", "", {}, true},
        {"x={key;group=2}", "x", "", {}, true},
        {"x={=5}", "x", "", {}, true},
    };
    for (const Row& row : rows) {
        const CommandParam p = CommandParam::Parse(row.text);
        EXPECT_EQ(p.cmdSource, row.text);
        EXPECT_EQ(p.cmdName, row.name) << row.text;
        EXPECT_EQ(p.cmdValue, row.value) << row.text;
        EXPECT_EQ(p.malformed, row.malformed) << row.text;
        EXPECT_EQ(p.cmdPairs, row.pairs) << row.text;
    }
    EXPECT_EQ(CommandParam::Parse("A={k=1;g=2}").Describe(),
              "Parsed contents:  (k = 1) (g = 2) From source: A={k=1;g=2}");
}
