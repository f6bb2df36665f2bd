// Direct access to one camera node, outside the parameter model: the camera keeps a few of
// these for nodes it consults while running (compression mode, white balance).
#pragma once

#include <cstdint>
#include <string>

#include "sdk/MvStatus.h"

class ParameterOwner;

class MVEnum {
public:
    MVEnum(const char* nodeName, const ParameterOwner& owner) : nodeName(nodeName), owner(owner) {}

    MvStatus ReadInt(int64_t& value) const;
    MvStatus ReadEnum(uint32_t& value) const;
    // ReadEnum with the failure logged.
    bool ReadValue__(uint32_t& value) const;
    // The symbolic name of the current entry.
    MvStatus ReadSymbolic(std::string& text) const;

    const std::string& NodeName() const { return nodeName; }

private:
    std::string nodeName;
    const ParameterOwner& owner;
};
