#include "parameters/ParameterFamilies.h"

#include "util/Text.h"

namespace ParameterFamilies {

// Each family's object, defined with its class in the family's own file.
const ParameterFamily& WhiteBalance();
const ParameterFamily& Bayer();
const ParameterFamily& Hdr();
const ParameterFamily& ColourMatrix();

namespace {

// The table: one line a family, in the order each step asks them. (The objects are constants,
// made before any code runs, so the table may be filled from them at any time.)
const ParameterFamily* const kFamilies[] = {
    &WhiteBalance(),
    &Bayer(),
    &Hdr(),
    &ColourMatrix(),
};

}  // namespace

const ParameterFamily* Owner(const std::string& name)
{
    for (const ParameterFamily* family : kFamilies) {
        if (family->Owns(name)) return family;
    }
    return nullptr;
}

bool StandsFor(const std::string& node)
{
    for (const ParameterFamily* family : kFamilies) {
        if (family->CameraNodes().Contains(node)) return true;
    }
    return false;
}

void StartTree(CameraParameters& model)
{
    for (const ParameterFamily* family : kFamilies) family->StartTree(model);
}

void Notice(CameraParameters& model, Sighting sighting, const std::string& name)
{
    for (const ParameterFamily* family : kFamilies) family->Notice(model, sighting, name);
}

void CreateAt(CameraParameters& model, WalkPoint point, const std::string& category, const std::string& node)
{
    for (const ParameterFamily* family : kFamilies) {
        if (family->IsCreatedAt(point, category, node)) family->Create(model, category);
    }
}

void AddDependents(CameraParameters::DependentMap& dependents)
{
    for (const ParameterFamily* family : kFamilies) family->AddDependents(dependents);
}

void UpdateAvailability(CameraParameters& model)
{
    for (const ParameterFamily* family : kFamilies) family->UpdateAvailability(model);
}

}  // namespace ParameterFamilies

bool ParameterFamily::IsCreatedAt(WalkPoint point, const std::string& category, const std::string& node) const
{
    if (point != createdAt.point || !Util_2_1::EqualsNoCase(category, createdAt.category)) return false;
    return createdAt.nodes.size() == 0 || createdAt.nodes.Contains(node);
}

uint8_t CameraParameters::FamilyMarks(const ParameterFamily& family) const
{
    const auto marks = familyMarks.find(&family);
    return marks != familyMarks.end() ? marks->second : 0;
}
