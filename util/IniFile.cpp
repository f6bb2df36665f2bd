#include "util/IniFile.h"

#include <cstring>
#include <fstream>
#include <vector>

#include "platform/Platform.h"
#include "util/Logger.h"
#include "util/Param.h"
#include "util/Text.h"

namespace Util_2_1 {

namespace {
const char kGeneralSection[] = "General";
// A default no stored value has: it tells a missing key from one that is present.
const char kMissingKey[] = "\x01<no such key>\x01";

}  // namespace

IniFile::IniFile(const std::string& file, int32_t portNumber)
    : port(portNumber), fileName(file), section("Port.0." + std::to_string(portNumber)), buffer(kBufferSize, '\0')
{}

const char* IniFile::Read(const char* sectionName, const char* key, const char* defaultValue)
{
    buffer.assign(kBufferSize, '\0');
    if (key == nullptr) return buffer.c_str();
    Platform::ReadIniString(sectionName, key, defaultValue != nullptr ? defaultValue : "", &buffer[0], kBufferSize,
                            fileName.c_str());
    ReportDamage();
    return buffer.c_str();
}

void IniFile::ReportDamage()
{
    if (damageReported) return;
    const std::string damage = Platform::IniFileDamage();
    if (damage.empty()) return;
    damageReported = true;
    ORNIC_LOG1_ERR(port, "Util_2_1::IniFile",
                   "Ini file " << fileName << " is damaged: " << damage
                               << "; settings that cannot be read there keep their defaults");
}

bool IniFile::Write(const char* sectionName, const char* key, const char* value)
{
    if (key == nullptr || value == nullptr) return false;
    // A line break would end the line early and let the rest of the text be read as keys or
    // sections of their own.
    if (std::strpbrk(key, "\r\n=") != nullptr || std::strpbrk(value, "\r\n") != nullptr) {
        ORNIC_LOG1_ERR(
            port, "Util_2_1::IniFile::Write",
            "Could not write key " << key << " to ini file " << fileName << ": line break or '=' in the text");
        return false;
    }
    const bool written = Platform::WriteIniString(sectionName, key, value, fileName.c_str());
    ReportDamage();
    return written;
}

const char* IniFile::GetString(const char* key, const char* defaultValue)
{
    return Read(section.c_str(), key, defaultValue);
}

const char* IniFile::GetGeneralString(const char* key, const char* defaultValue)
{
    return Read(kGeneralSection, key, defaultValue);
}

bool IniFile::WriteString(const char* key, const char* value)
{
    return Write(section.c_str(), key, value);
}

bool IniFile::WriteGeneralString(const char* key, const char* value)
{
    return Write(kGeneralSection, key, value);
}

const char* IniFile::SectionOf(const Param& p) const
{
    return p.TestFlags(FlagGeneral) ? kGeneralSection : section.c_str();
}

void IniFile::ReadParam(Param* p)
{
    if (p == nullptr) return;
    // A missing key changes nothing. Setting the current text again would not do: a double's
    // text is rounded, and reading it back would change the value.
    const char* text = Read(SectionOf(*p), p->Name().c_str(), kMissingKey);
    if (std::strcmp(text, kMissingKey) != 0) p->SetText(text);
}

bool IniFile::WriteParam(Param* p)
{
    if (p == nullptr) return false;
    return Write(SectionOf(*p), p->Name().c_str(), p->StoredText().c_str());
}

bool IniFile::FileExists() const
{
    std::ifstream in(fileName, std::ios::binary);
    return in.is_open();
}

bool IniFile::SectionExists()
{
    std::vector<char> names(kSectionNamesSize, '\0');
    const uint32_t length = Platform::ReadIniSectionNames(names.data(), kSectionNamesSize, fileName.c_str());
    ReportDamage();
    if (length >= kSectionNamesSize - 2) {
        ORNIC_LOG1_ERR(port, "Util_2_1::IniFile::SectionExists",
                       "Could not retrieve section names from ini file " << fileName);
        return false;
    }
    size_t pos = 0;
    while (pos < length) {
        const char* name = names.data() + pos;
        const size_t n = std::strlen(name);
        if (n == 0) break;
        if (EqualsNoCase(name, section)) return true;
        pos += n + 1;
    }
    return false;
}

bool IniFile::CameraMatches(const char* cameraName)
{
    if (!SectionExists()) return false;
    const std::string stored = GetString("$Camera", "");
    const size_t k = stored.find('(') != std::string::npos ? stored.find('(') : stored.size();
    if (k == 0 || cameraName == nullptr) return false;
    // strncmp stops at the end of a shorter camera name, which then does not match.
    return std::strncmp(stored.c_str(), cameraName, k) == 0;
}

}  // namespace Util_2_1
