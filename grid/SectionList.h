// The grid's model: parameters grouped into named sections, in order of first appearance
// (a section per name). The rectangles are the geometry of the last layout, used for hit
// tests and painting.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "grid/GridTypes.h"
#include "util/Param.h"

namespace Grid_3_1 {

struct ASectionItem {
    Rect nameRect;
    Rect valueRect;
    Rect rangeRect;
    Rect starRect;
    Rect rowRect;                      // the whole row
    Util_2_1::Param* param = nullptr;  // not owned
    int32_t index = 0;
};

struct ASection {
    Rect boxRect;     // the +/- box
    Rect headerRect;  // the header row
    bool collapsed = false;
    int32_t index = -1;
    std::string name;
    std::vector<std::unique_ptr<ASectionItem>> items;

    // Throws std::runtime_error("Adding parameter to non-initialized section") when the
    // section has no name or no index yet.
    ASectionItem& AddItem(Util_2_1::Param* param, int32_t itemIndex);
};

class SectionList {
public:
    // Finds or creates the section, then appends an item for `param`. A new section starts
    // collapsed = !expanded; an existing one keeps its state.
    ASectionItem& Add(const std::string& name, bool expanded, Util_2_1::Param* param);
    void Clear();

    ASection* Find(const std::string& name) const;
    ASection* BySectionNumber(int32_t number) const;
    const std::vector<std::unique_ptr<ASection>>& Sections() const { return sections; }
    bool Empty() const { return sections.empty(); }
    int32_t SectionCount() const { return sectionCount; }
    int32_t ItemCount() const { return itemCount; }

private:
    int32_t sectionCount = 0;
    int32_t itemCount = 0;
    std::map<std::string, ASection*> byName;
    std::map<int32_t, ASection*> byNumber;
    std::vector<std::unique_ptr<ASection>> sections;
};

}  // namespace Grid_3_1
