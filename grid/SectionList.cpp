#include "grid/SectionList.h"

#include <new>
#include <stdexcept>

namespace Grid_3_1 {

ASectionItem& ASection::AddItem(Util_2_1::Param* param, int32_t itemIndex)
{
    if (name.empty() || index < 0) throw std::runtime_error("Adding parameter to non-initialized section");
    std::unique_ptr<ASectionItem> item(new (std::nothrow) ASectionItem);
    if (item == nullptr) throw std::runtime_error("memory allocation error for ASectionItem");
    item->param = param;
    item->index = itemIndex;
    items.push_back(std::move(item));
    return *items.back();
}

ASectionItem& SectionList::Add(const std::string& name, bool expanded, Util_2_1::Param* param)
{
    ASection* section = Find(name);
    if (section == nullptr) {
        std::unique_ptr<ASection> created(new (std::nothrow) ASection);
        if (created == nullptr) throw std::runtime_error("ASection allocation error");
        created->name = name;
        created->index = sectionCount;
        created->collapsed = !expanded;
        section = created.get();
        byName[name] = section;
        byNumber[sectionCount] = section;
        sections.push_back(std::move(created));
        ++sectionCount;
    }
    ASectionItem& item = section->AddItem(param, itemCount);
    ++itemCount;
    return item;
}

void SectionList::Clear()
{
    byName.clear();
    byNumber.clear();
    sections.clear();
    sectionCount = 0;
    itemCount = 0;
}

ASection* SectionList::Find(const std::string& name) const
{
    const auto found = byName.find(name);
    return found != byName.end() ? found->second : nullptr;
}

ASection* SectionList::BySectionNumber(int32_t number) const
{
    const auto found = byNumber.find(number);
    return found != byNumber.end() ? found->second : nullptr;
}

}  // namespace Grid_3_1
