#include "util/AllParametersList.h"

#include <utility>

namespace Util_2_1 {

AllParametersList::AllParametersList() : ownFlags(FlagGeneral | FlagHidden | FlagNonCamera)
{
    CreateParameter<ParamString>("lib_Favourites", "General", "", ownFlags);
    CreateParameter<ParamString>("lib_CollapsedSec", "General", "", ownFlags);
    CreateParameter<ParamInt>("lib_DialogWidth", "General", 800, ownFlags);
    CreateParameter<ParamInt>("lib_DialogHeight", "General", 400, ownFlags);
    CreateParameter<ParamInt>("lib_DialogFontSize", "General", 80, ownFlags);
    CreateParameter<ParamBool>("lib_DialogFavMode", "General", false, ownFlags);
    CreateParameter<ParamFloat>("lib_Dialogcol0ratio", "General", 0.3, ownFlags);
    CreateParameter<ParamFloat>("lib_Dialogcol1ratio", "General", 0.4, ownFlags);
}

AllParametersList::ParamPtr AllParametersList::Find(const char* name) const
{
    if (name == nullptr || name[0] == '\0') return nullptr;
    return Find(std::string(name));
}

AllParametersList::ParamPtr AllParametersList::Find(const std::string& name) const
{
    if (name.empty()) return nullptr;
    const auto found = byName.find(name);
    return found != byName.end() ? found->second : nullptr;
}

bool AllParametersList::Insert(ParamPtr p, size_t position)
{
    if (p == nullptr || byName.count(p->Name()) != 0) return false;
    if (position > params.size()) position = params.size();
    byName.emplace(p->Name(), p);
    params.insert(params.begin() + static_cast<std::ptrdiff_t>(position), std::move(p));
    return true;
}

bool AllParametersList::Add(Param* p)
{
    return Add(std::unique_ptr<Param>(p));
}

bool AllParametersList::Add(std::unique_ptr<Param> p)
{
    if (p == nullptr || byName.count(p->Name()) != 0) return false;  // p is destroyed here
    return Insert(ParamPtr(std::move(p)), params.size());
}

void AllParametersList::Clear()
{
    params.clear();
    byName.clear();
}

void AllParametersList::CopyFrom(const AllParametersList& other)
{
    if (&other == this) return;  // clearing first would leave nothing to copy
    Clear();
    for (const ParamPtr& p : other.params) Add(p->Clone());
}

void AllParametersList::MarkAllModified()
{
    for (const ParamPtr& p : params) p->SetFlags(FlagModified);
}

}  // namespace Util_2_1
