#include "sdk/MvStatus.h"

#include <cstdio>

namespace {

struct StatusEntry {
    uint32_t code;
    const char* text;
};

const StatusEntry kStatusTexts[] = {
    {0x00000000u, "OK"},
    {0x80000000u, " Error or invalid handle"},
    {0x80000001u, " Not supported function"},
    {0x80000002u, " Cache is full"},
    {0x80000003u, " Function calling order error"},
    {0x80000004u, " Incorrect parameter"},
    {0x80000006u, " Applying resource failed"},
    {0x80000007u, " No data"},
    {0x80000008u, " Precondition error, or running environment changed"},
    {0x80000009u, " Version mismatches"},
    {0x8000000Au, " Insufficient memory"},
    {0x8000000Bu, " Abnormal image, maybe incomplete image because of lost packet"},
    {0x8000000Cu, " Load library failed"},
    {0x8000000Du, " No Avaliable Buffer"},
    {0x8000000Eu, " Encryption error"},
    {0x8000000Fu, " open file error"},
    {0x800000FFu, " Unknown error"},
    {0x80000100u, " General error"},
    {0x80000101u, " Illegal parameters"},
    {0x80000102u, " The value is out of range"},
    {0x80000103u, " Property error"},
    {0x80000104u, " Running environment error"},
    {0x80000105u, " Logical error"},
    {0x80000106u, " Node accessing condition error"},
    {0x80000107u, " Timeout"},
    {0x80000108u, " Transformation exception"},
    {0x800001FFu, " GenICam unknown error"},
    {0x80000200u, " The command is not supported by device"},
    {0x80000201u, " The target address being accessed does not exist"},
    {0x80000202u, " The target address is not writable"},
    {0x80000203u, " No permission"},
    {0x80000204u, " Device is busy, or network disconnected"},
    {0x80000205u, " Network data packet error"},
    {0x80000206u, " Network error"},
    {0x80000221u, " Device IP conflict"},
    {0x80000300u, " Reading USB error"},
    {0x80000301u, " Writing USB error"},
    {0x80000302u, " Device exception"},
    {0x80000303u, " GenICam error"},
    {0x80000304u, " Insufficient bandwidth"},
    {0x800003FFu, " USB unknown error"},
    {0x80000400u, " Firmware mismatches"},
    {0x80000401u, " Firmware language mismatches"},
    {0x80000402u, " Upgrading conflicted (repeated upgrading requests during device upgrade)"},
    {0x80000403u, " Camera internal error during upgrade"},
    {0x800004FFu, " Unknown error during upgrade"},
};

}  // namespace

std::string StatusText(uint32_t code)
{
    for (const StatusEntry& entry : kStatusTexts) {
        if (entry.code == code) return entry.text;
    }
    // Formatted per call: a shared buffer would let two threads overwrite each other's text.
    char text[64];
    std::snprintf(text, sizeof text, "Unrecognized code %u", static_cast<unsigned>(code));
    return text;
}

std::string SdkVersionText(uint32_t version)
{
    char text[32];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", (version >> 24) & 0xFFu, (version >> 16) & 0xFFu,
                  (version >> 8) & 0xFFu, version & 0xFFu);
    return text;
}
