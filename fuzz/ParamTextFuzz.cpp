// Each parameter type's text setter (util/Param.h) with arbitrary text, followed by what the
// grid, the log and the ini file do with a parameter: read it in every view, describe it,
// re-format it and clone it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "util/Param.h"
#include "util/Text.h"

using namespace Util_2_1;

namespace {

std::unique_ptr<Param> Make(uint8_t kind)
{
    switch (kind % 7) {
    case 0:
        return std::make_unique<ParamBool>("b");
    case 1:
        return std::make_unique<ParamInt>("i");
    case 2:
        return std::make_unique<ParamFloat>("f");
    case 3:
        return std::make_unique<ParamString>("s");
    case 4: {
        auto e = std::make_unique<ParamEnum>("e");
        e->SetEntries({{"Off", 0}, {"On", 1}, {"Continuous", 2}, {"on", 7}}, 1);
        return e;
    }
    case 5:
        return std::make_unique<ParamIPAddress>("ip");
    default:
        return std::make_unique<ParamVector<int>>("v");
    }
}

void Check(bool condition)
{
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    std::unique_ptr<Param> p = Make(data[0]);
    const uint8_t options = data[1];
    const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::string before = p->GetTextString();
    const uint32_t addressBefore = p->Type() == TypeIP ? static_cast<ParamIPAddress&>(*p).Address() : 0;

    if (options & 1) {
        p->SetText(text.c_str());  // the host's C string: up to the first NUL
    } else {
        p->SetText(text);
    }
    const std::string given = (options & 1) ? std::string(text.c_str()) : text;

    switch (p->Type()) {
    case TypeEnum: {
        // A name selects its first entry in any case; other texts change nothing.
        const auto& entries = static_cast<ParamEnum&>(*p).Entries();
        const EnumEntry* match = nullptr;
        for (const EnumEntry& entry : entries) {
            if (match == nullptr && EqualsNoCase(entry.name, given)) match = &entry;
        }
        Check(p->GetTextString() == (match != nullptr ? match->name : before));
        break;
    }
    case TypeIP: {
        auto& ip = static_cast<ParamIPAddress&>(*p);
        uint32_t parsed = 0;
        const bool valid = ParseIpv4(TrimView(given), parsed);
        Check(ip.Address() == (valid ? parsed : addressBefore));
        Check(ip.GetTextString() == FormatIpv4(ip.Address()));
        break;
    }
    case TypeVector: {
        // The items follow the text, and setting the text again gives the same items.
        if (!EqualsNoCase(given, "true") && !EqualsNoCase(given, "false")) Check(p->GetTextString() == given);
        const std::vector<int> items = static_cast<ParamVector<int>&>(*p).Items();
        p->SetText(p->GetTextString());
        Check(static_cast<ParamVector<int>&>(*p).Items() == items);
        break;
    }
    default:
        if (!EqualsNoCase(given, "true") && !EqualsNoCase(given, "false")) Check(p->GetTextString() == given);
        break;
    }

    // What the rest of the driver does with it.
    (void)p->GetInt();
    (void)p->GetInt64();
    (void)p->GetDouble();
    (void)p->GetBool();
    (void)p->GetEnumIndex();
    p->Minimum().SetText(given);
    p->Maximum().SetDouble(p->GetDouble());
    p->Increment().SetInt64(p->GetInt64());
    std::ostringstream out;
    p->WriteRange(out);
    std::string range;
    p->RangeText(range);
    (void)DescribeParam(*p);

    const std::string kept = p->GetTextString();
    const std::unique_ptr<Param> copy = p->Clone();
    Check(copy->GetTextString() == kept && copy->GetInt64() == p->GetInt64());
    p->SetPrecision(static_cast<int32_t>(options >> 2) - 1);
    p->SetHex((options & 2) != 0);
    // Only number texts are re-formatted.
    if (p->Type() != TypeInt && p->Type() != TypeUInt && p->Type() != TypeFloat) Check(p->GetTextString() == kept);
    copy->CopyFrom(*p);
    Check(copy->GetTextString() == p->GetTextString());
    return 0;
}
