#include "camsim/DeviceConfig.h"

#include <cctype>
#include <cstdlib>

#include "camsim/Keyword.h"
#include "camsim/SimControl.h"
#include "util/Text.h"

namespace CamSim {

namespace {

// Blanks around fields and entries go, line ends included.
constexpr std::string_view kBlanks = " \t\r\n\v\f";

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const auto end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) {
            return parts;
        }
        start = end + 1;
    }
}

// Decimal or 0x-hexadecimal, the whole text, fitting 32 bits.
bool ParseNumber(std::string_view text, uint32_t& value)
{
    std::string digits(text);
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.erase(0, 2);
    }
    if (digits.empty() || digits.size() > 10) {
        return false;
    }
    for (char c : digits) {
        if (!(base == 16 ? std::isxdigit(static_cast<unsigned char>(c))
                         : std::isdigit(static_cast<unsigned char>(c)))) {
            return false;
        }
    }
    const unsigned long long parsed = std::strtoull(digits.c_str(), nullptr, base);
    if (parsed > 0xFFFFFFFFull) {
        return false;
    }
    value = static_cast<uint32_t>(parsed);
    return true;
}

bool ParseKind(std::string_view word, uint32_t& kind)
{
    const std::string key = Keyword(word);
    if (key == "mono") {
        kind = CAMSIM_KIND_MONO;
    } else if (key == "bayerrg" || key == "color" || key == "colour") {
        kind = CAMSIM_KIND_BAYER_RG;
    } else if (key == "bayergr") {
        kind = CAMSIM_KIND_BAYER_GR;
    } else if (key == "bayergb") {
        kind = CAMSIM_KIND_BAYER_GB;
    } else if (key == "bayerbg") {
        kind = CAMSIM_KIND_BAYER_BG;
    } else {
        return false;
    }
    return true;
}

bool IsSingleBit(uint32_t value)
{
    return value != 0 && (value & (value - 1)) == 0;
}

bool CheckText(const char* what, const std::string& text, std::size_t limit, bool required, std::string& reason)
{
    if (required && text.empty()) {
        reason = std::string(what) + " is empty";
        return false;
    }
    if (text.size() > limit) {
        reason = std::string(what) + " longer than " + std::to_string(limit) + " characters";
        return false;
    }
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u > 0x7E) {
            reason = std::string(what) + " holds a character that is not printable ASCII";
            return false;
        }
    }
    return true;
}

}  // namespace

bool ValidateDesc(const DeviceDesc& desc, std::string& reason)
{
    if (!IsSingleBit(desc.transport)) {
        reason = "transport must be a single layer bit";
        return false;
    }
    if (desc.kind > CAMSIM_KIND_BAYER_BG) {
        reason = "unknown camera kind";
        return false;
    }
    if (desc.ipAddress != 0 && desc.transport != MV_GIGE_DEVICE) {
        reason = "ip= applies to GigE Vision cameras only";
        return false;
    }
    // The limits are the record fields the name is copied into.
    std::size_t modelMax = MV_USB_NAME_LEN;
    std::size_t serialMax = MV_USB_NAME_LEN;
    std::size_t userNameMax = MV_USB_NAME_LEN;
    std::size_t versionMax = MV_USB_NAME_LEN;
    if (desc.transport == MV_GIGE_DEVICE) {
        modelMax = MV_GIGE_MODEL_NAME_LEN;
        serialMax = MV_GIGE_SERIAL_NUMBER_LEN;
        userNameMax = MV_GIGE_SERIAL_NUMBER_LEN;
        versionMax = MV_GIGE_NAME_LEN;
    }
    return CheckText("model", desc.model, modelMax, true, reason) &&
           CheckText("serial number", desc.serial, serialMax, true, reason) &&
           CheckText("name", desc.userName, userNameMax, false, reason) &&
           CheckText("version", desc.version, versionMax, false, reason);
}

bool ParseEntry(std::string_view entry, DeviceDesc& desc, std::string& reason)
{
    desc = DeviceDesc{};
    std::vector<std::string_view> fields = Split(entry, ':');
    for (auto& field : fields) {
        field = Util_2_1::TrimView(field, kBlanks);
    }
    std::size_t next = 1;
    const std::string transport = Keyword(fields[0]);
    if (transport == "gige" || transport == "gev") {
        desc.transport = MV_GIGE_DEVICE;
    } else if (transport == "usb" || transport == "usb3" || transport == "u3v") {
        desc.transport = MV_USB_DEVICE;
    } else if (transport == "other") {
        if (fields.size() < 2 || !ParseNumber(fields[1], desc.transport)) {
            reason = "'other' needs a layer type number, e.g. other:0x8:MODEL:SERIAL";
            return false;
        }
        if (!IsSingleBit(desc.transport) || desc.transport == MV_GIGE_DEVICE || desc.transport == MV_USB_DEVICE) {
            reason = "the layer type of 'other' must be one bit other than GigE (0x1) and USB (0x4)";
            return false;
        }
        next = 2;
    } else {
        reason = "unknown transport '" + std::string(fields[0]) + "' (gige, usb or other)";
        return false;
    }
    if (fields.size() < next + 2) {
        reason = "model and serial number are required";
        return false;
    }
    desc.model = std::string(fields[next]);
    desc.serial = std::string(fields[next + 1]);

    bool haveKind = false;
    for (std::size_t i = next + 2; i < fields.size(); ++i) {
        const std::string_view field = fields[i];
        const auto equals = field.find('=');
        if (equals == std::string_view::npos) {
            if (haveKind) {
                reason = "camera kind given twice";
                return false;
            }
            if (!ParseKind(field, desc.kind)) {
                reason =
                    "unknown camera kind '" + std::string(field) + "' (mono, bayer_rg, bayer_gr, bayer_gb, bayer_bg)";
                return false;
            }
            haveKind = true;
            continue;
        }
        const std::string key = Keyword(Util_2_1::TrimView(field.substr(0, equals), kBlanks));
        const std::string_view value = Util_2_1::TrimView(field.substr(equals + 1), kBlanks);
        if (key == "ip") {
            // Dotted IPv4; 0.0.0.0 is no address to give a camera.
            if (!Util_2_1::ParseIpv4(value, desc.ipAddress) || desc.ipAddress == 0) {
                reason = "bad IPv4 address '" + std::string(value) + "'";
                return false;
            }
        } else if (key == "name") {
            desc.userName = std::string(value);
        } else if (key == "version") {
            desc.version = std::string(value);
        } else {
            reason = "unknown option '" + key + "' (ip, name, version)";
            return false;
        }
    }
    return ValidateDesc(desc, reason);
}

ParsedConfig ParseConfig(std::string_view text)
{
    ParsedConfig result;
    // Editors on Windows like to start a text file with a byte order mark.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        text.remove_prefix(kByteOrderMark.size());
    }
    unsigned lineNumber = 0;
    for (std::string_view line : Split(text, '\n')) {
        ++lineNumber;
        const auto hash = line.find('#');
        if (hash != std::string_view::npos) {
            line = line.substr(0, hash);
        }
        for (std::string_view entry : Split(line, ';')) {
            entry = Util_2_1::TrimView(entry, kBlanks);
            if (entry.empty() || Keyword(entry) == "none") {
                continue;
            }
            DeviceDesc desc;
            std::string reason;
            if (ParseEntry(entry, desc, reason)) {
                result.devices.push_back(std::move(desc));
            } else {
                result.issues.push_back(ConfigIssue{lineNumber, std::string(entry), reason});
            }
        }
    }
    return result;
}

std::vector<DeviceDesc> DefaultDevices()
{
    DeviceDesc gige;
    gige.transport = MV_GIGE_DEVICE;
    gige.kind = CAMSIM_KIND_MONO;
    gige.model = "SIM-GM130";
    gige.serial = "S1000001";
    DeviceDesc usb;
    usb.transport = MV_USB_DEVICE;
    usb.kind = CAMSIM_KIND_BAYER_RG;
    usb.model = "SIM-UC500";
    usb.serial = "S2000001";
    return {gige, usb};
}

}  // namespace CamSim
