// A family of the parameters the driver adds inside camera categories:
// the white-balance ratios, the Bayer conversion settings, the HDR sequence, the colour
// matrix. One class a family holds its names, its creation, its reading and writing and its
// availability update; the model dispatches to it through the table of ParameterFamilies.h.
//
// A family object holds no state of its own: one object serves every camera. What a family
// remembers of one camera (which nodes it saw, whether it was created) is kept by the model
// as a few bits, Marks(model).
#pragma once

#include <cstdint>
#include <string>

#include "parameters/CameraParameters.h"
#include "parameters/NameList.h"

// The steps of the tree walk at which a family can be created.
enum class WalkPoint {
    NodeMet,       // an available, visible node of the category, before the ignore list is asked
    NodeCreated,   // a node of the category has just become a parameter
    CategoryDone,  // the last node of a top-level category has been walked
};

// What the model shows the families of the camera's node map.
enum class Sighting {
    Node,       // an available node met by the tree walk, or a parameter re-read by UpdateParameters
    EnumEntry,  // a symbolic name offered by one of the camera's enumerations
};

// Where a family is created: the step of the walk, the category, and the nodes that bring it
// about (none: the step itself does).
struct CreationPoint {
    WalkPoint point;
    const char* category;
    NameList nodes;
};

class ParameterFamily {
public:
    using Param = Util_2_1::Param;
    using ParamPtr = CameraParameters::ParamPtr;

    // The family's parameters; a parameter's index is its place in this list.
    NameList Names() const { return names; }
    int IndexOf(const std::string& name) const { return names.IndexOf(name); }
    bool Owns(const std::string& name) const { return names.Contains(name); }
    // The camera nodes that the family stands for; they never become parameters themselves.
    NameList CameraNodes() const { return cameraNodes; }
    bool IsCreatedAt(WalkPoint point, const std::string& category, const std::string& node) const;

    // ---- building the tree; the defaults do nothing
    // A new walk of the node map begins (InitParameters).
    virtual void StartTree(CameraParameters& /*model*/) const {}
    virtual void Notice(CameraParameters& /*model*/, Sighting /*sighting*/, const std::string& /*name*/) const {}
    // Called where IsCreatedAt holds; the family may still decline, by its marks.
    virtual void Create(CameraParameters& model, const std::string& section) const = 0;
    // Entries of the model's dependentParams that name the family's parameters.
    virtual void AddDependents(CameraParameters::DependentMap& /*dependents*/) const {}
    // UpdateParamPropertiesFromNode for one of the family's parameters.
    virtual bool UpdateProperties(CameraParameters& /*model*/, Param& /*p*/) const { return true; }

    // ---- reading and writing; the defaults leave the camera alone and succeed
    virtual bool Read(CameraParameters& /*model*/, Param& /*p*/) const { return true; }
    virtual bool Write(CameraParameters& /*model*/, Param& /*p*/, GrabPauseGuard& /*guard*/,
                       bool /*mayPauseGrabbing*/) const
    {
        return true;
    }
    // The flags that follow the family's own switches, after UpdateParameters re-read them.
    virtual void UpdateAvailability(CameraParameters& /*model*/) const {}

protected:
    constexpr ParameterFamily(NameList names, NameList cameraNodes, CreationPoint createdAt)
        : names(names), cameraNodes(cameraNodes), createdAt(createdAt)
    {}
    // The family objects are static and never deleted through this class.
    ~ParameterFamily() = default;

    uint8_t& Marks(CameraParameters& model) const { return model.FamilyMarks(*this); }
    uint8_t Marks(const CameraParameters& model) const { return model.FamilyMarks(*this); }
    // `flags` cleared when usable, set when not.
    static void SetUsable(Param& p, bool usable, uint32_t flags) { usable ? p.ClearFlags(flags) : p.SetFlags(flags); }

private:
    NameList names;
    NameList cameraNodes;
    CreationPoint createdAt;
};
