// One camera port's view of the driver's ini file: single keys and whole parameters, in the
// port's section "Port.0.<port>" or, for parameters marked FlagGeneral, in section "General".
// Short-lived and used by one thread.
#pragma once

#include <cstdint>
#include <string>

namespace Util_2_1 {

class Param;

class IniFile {
public:
    static constexpr uint32_t kBufferSize = 4095;        // values are cut to 4094 characters
    static constexpr uint32_t kSectionNamesSize = 2056;  // room for the list of section names

    IniFile(const std::string& fileName, int32_t port);

    // The key's value in the port section, or the default. A null key gives the empty text; a
    // null default counts as empty. The text lives in this object until the next read.
    const char* GetString(const char* key, const char* defaultValue);
    const char* GetGeneralString(const char* key, const char* defaultValue);
    // False for a null key or value, for a text that would break the file's line structure
    // (a line break, or "=" in the key), or when the write fails.
    bool WriteString(const char* key, const char* value);
    bool WriteGeneralString(const char* key, const char* value);

    // A missing key leaves the parameter as it is; a value read shows as it is stored.
    void ReadParam(Param* p);
    // Writes the parameter's StoredText, which reads back as the same value.
    bool WriteParam(Param* p);

    bool FileExists() const;
    // Whether the port section exists; false (with an error line) when the section list is
    // too long to read.
    bool SectionExists();
    // Whether the section's "$Camera" names this camera: only the part before the first "("
    // of the stored value is compared, with case.
    bool CameraMatches(const char* cameraName);

    int32_t Port() const { return port; }
    const std::string& FileName() const { return fileName; }
    const std::string& Section() const { return section; }

private:
    const char* Read(const char* sectionName, const char* key, const char* defaultValue);
    bool Write(const char* sectionName, const char* key, const char* value);
    const char* SectionOf(const Param& p) const;
    // Logs, once per object, what the reader found wrong with the file in the call just made.
    void ReportDamage();

    int32_t port;
    std::string fileName;
    std::string section;
    std::string buffer;
    bool damageReported = false;
};

}  // namespace Util_2_1
