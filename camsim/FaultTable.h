// Injected faults, per SDK operation. Each operation has a queue of rules; the oldest is in
// force until used up. New fault kinds (a slow call, a device that drops off, a node refusing
// a value) become new rule kinds with their own fields; the queueing stays the same.
#pragma once

#include <array>
#include <cstdint>
#include <deque>

#include "camsim/Operations.h"

namespace CamSim {

struct FaultRule {
    uint32_t kind = 0;       // CamSimFaultKind
    uint32_t skipCalls = 0;  // calls still to pass before the rule applies
    uint32_t remaining = 0;  // calls it still applies to, when not endless
    bool endless = false;
    uint32_t status = 0;
};

class FaultTable {
public:
    void Add(Op op, const FaultRule& rule);
    void Clear();
    // Called once per call of op: the rule that applies to this call, if any. The caller acts
    // on its kind; the table has already counted the call against it.
    bool Take(Op op, FaultRule& applied);

private:
    std::array<std::deque<FaultRule>, kOpCount> rules;
};

}  // namespace CamSim
