// The ordered list of a camera's parameters: unique names, looked up without regard to case.
// The camera model derives from it and supplies the transfers to the camera and the ini file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "util/Param.h"
#include "util/Text.h"

namespace Util_2_1 {

class AllParametersList {
public:
    using ParamPtr = std::shared_ptr<Param>;
    using ParamPtrList = std::vector<ParamPtr>;

    // Creates the list's own settings (the dialog layout) in section "General".
    AllParametersList();
    virtual ~AllParametersList() = default;
    // Copies would share their parameters; CopyFrom makes an independent copy.
    AllParametersList(const AllParametersList&) = delete;
    AllParametersList& operator=(const AllParametersList&) = delete;

    virtual bool ApplyParameters() = 0;
    virtual bool UpdateParameters() = 0;
    virtual bool RestoreFromFile(const char* file) = 0;
    virtual bool SaveToFile(const char* file) = 0;
    virtual const char* IniFileName() = 0;

    // Null for a null or empty name or when there is no such parameter.
    ParamPtr Find(const char* name) const;
    ParamPtr Find(const std::string& name) const;
    bool Contains(const char* name) const { return Find(name) != nullptr; }
    bool Contains(const std::string& name) const { return Find(name) != nullptr; }

    size_t Count() const { return params.size(); }
    const ParamPtr& operator[](size_t index) const { return params[index]; }
    const ParamPtr& At(size_t index) const { return params.at(index); }
    ParamPtrList::const_iterator begin() const { return params.begin(); }
    ParamPtrList::const_iterator end() const { return params.end(); }

    // Find-or-create: an existing parameter of that name is reused whatever its class; the
    // default then goes through the setter matching its type and the flags are added.
    // Throws std::invalid_argument for a null or empty name.
    template <class T, class Default>
    ParamPtr CreateParameter(const char* name, const char* paramSection, const Default& defaultValue,
                             uint32_t paramFlags);
    template <class T, class Default>
    ParamPtr CreateParameter(const std::string& name, const char* paramSection, const Default& defaultValue,
                             uint32_t paramFlags)
    {
        return CreateParameter<T>(name.c_str(), paramSection, defaultValue, paramFlags);
    }

    // Takes ownership. A parameter whose name is taken is destroyed and the list stays as it
    // was; the result tells whether it was added.
    bool Add(Param* p);
    bool Add(std::unique_ptr<Param> p);

    void Clear();
    // Replaces this list's parameters by clones of the other's.
    void CopyFrom(const AllParametersList& other);
    void MarkAllModified();

    uint32_t OwnFlags() const { return ownFlags; }

protected:
    // Places a new parameter at `position` in list order (appended when beyond the end) and
    // enters it in the name index; false, and nothing changes, when the name is taken.
    bool Insert(ParamPtr p, size_t position);

    uint32_t ownFlags;
    ParamPtrList params;
    std::map<std::string, ParamPtr, NoCaseLess> byName;

private:
    static void SetDefault(Param& p, const char* v) { p.SetText(v); }
    static void SetDefault(Param& p, const std::string& v) { p.SetText(v); }
    static void SetDefault(Param& p, int v) { p.SetInt(v); }
    static void SetDefault(Param& p, bool v) { p.SetBool(v); }
    static void SetDefault(Param& p, double v) { p.SetDouble(v); }
};

template <class T, class Default>
AllParametersList::ParamPtr AllParametersList::CreateParameter(const char* name, const char* paramSection,
                                                               const Default& defaultValue, uint32_t paramFlags)
{
    if (name == nullptr || name[0] == '\0') throw std::invalid_argument("CreateParameter : null  argument");
    ParamPtr p = Find(name);
    if (p == nullptr) {
        p = std::make_shared<T>(name);
        Insert(p, params.size());
    }
    p->SetSection(paramSection);
    SetDefault(*p, defaultValue);
    p->SetFlags(paramFlags);
    return p;
}

}  // namespace Util_2_1
