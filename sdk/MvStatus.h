// An SDK status code and the driver's own text for it.
#pragma once

#include <cstdint>
#include <string>

// The driver's text for an SDK status code. Listed codes begin with a blank ("OK" does not);
// any other code reads "Unrecognized code <unsigned decimal>". Safe on any thread.
std::string StatusText(uint32_t code);

class MvStatus {
public:
    MvStatus() = default;
    explicit MvStatus(int code) : code(static_cast<uint32_t>(code)) {}
    MvStatus& operator=(int rc)
    {
        code = static_cast<uint32_t>(rc);
        return *this;
    }

    bool Ok() const { return code == 0; }
    uint32_t Code() const { return code; }
    std::string Text() const { return StatusText(code); }

private:
    uint32_t code = 0;
};

// The SDK version as the driver logs it: the four bytes from the most significant down, in
// decimal, joined by "." (0x04030201 reads 4.3.2.1).
std::string SdkVersionText(uint32_t version);
