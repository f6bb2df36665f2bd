#include "camsim/FaultTable.h"

namespace CamSim {

void FaultTable::Add(Op op, const FaultRule& rule)
{
    rules[Index(op)].push_back(rule);
}

void FaultTable::Clear()
{
    for (auto& queue : rules) {
        queue.clear();
    }
}

bool FaultTable::Take(Op op, FaultRule& applied)
{
    auto& queue = rules[Index(op)];
    if (queue.empty()) {
        return false;
    }
    FaultRule& head = queue.front();
    if (head.skipCalls > 0) {
        --head.skipCalls;
        return false;
    }
    applied = head;
    if (!head.endless && --head.remaining == 0) {
        queue.pop_front();
    }
    return true;
}

}  // namespace CamSim
