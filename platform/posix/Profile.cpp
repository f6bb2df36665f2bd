// POSIX private-profile (ini) functions with the Windows semantics.
//
// The rules follow Windows as Wine's kernel32 profile code reproduces them (and Wine's own
// conformance tests document them):
//  - Lines end at any run of '\n' / '\r' characters; blanks (0x09-0x0d, 0x1a, ' ') around a line
//    are dropped, blank lines are skipped (and so disappear on the next write).
//  - "[name]" opens a section (the name runs to the last ']', not trimmed inside the brackets).
//    Lines before the first header belong to an unnamed section that is kept and written back
//    but never listed or found by name.
//  - "key=value": blanks around the key and at the start of the value are dropped. A line
//    without '=' is kept as a key without a value: it is written back, but like on Windows it is
//    not listed by a key enumeration and reading it returns the default. Lines starting with ';'
//    are comments: kept, never listed.
//  - Names compare without regard to ASCII case; the first matching section wins.
//  - A value enclosed in matching ' or " is returned without them.
//  - Writing keeps every other line, replaces a value in place (the key keeps its spelling),
//    appends a new key at the end of its section and a new section at the end of the file.
//    Lines are written back as "key=value\r\n", as Windows writes them; a UTF-8 byte-order
//    mark is kept.
// Deliberate differences: a relative file name is relative to the working directory (Windows
// looks for a bare name in %WINDIR%), a null file name fails instead of meaning win.ini, and a
// quoted value cut by the buffer size never loses a character of the text to the closing quote.
//
// Writes are atomic: the new contents go to a temporary file in the same directory, which is
// flushed to disk and renamed over the old file; on any failure the temporary file is removed
// and the old file stays as it was. One process-wide mutex serializes every profile operation,
// so read-modify-write cycles of different threads never interleave.
#include "platform/Platform.h"
#include "platform/posix/FileIo.h"
#include "util/Text.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

namespace {

std::mutex& ProfileMutex()
{
    static std::mutex mutex;
    return mutex;
}

const char kUtf8Bom[] = "\xEF\xBB\xBF";

bool IsBlank(char c)
{
    return (c >= 0x09 && c <= 0x0d) || c == 0x1a || c == ' ';
}

// The blanks the Windows profile functions strip around names and values.
constexpr std::string_view kBlanks{"\t\n\v\f\r\x1a ", 7};

std::string TrimBlanks(const char* text)
{
    return Util_2_1::Trim(text, kBlanks);
}

const char* SkipBlanks(const char* text)
{
    while (*text != '\0' && IsBlank(*text)) ++text;
    return text;
}

struct Entry {
    std::string name;
    std::string value;
    bool hasValue = false;
};

struct Section {
    std::string name;
    std::vector<Entry> entries;
};

struct Profile {
    bool utf8Bom = false;
    // sections[0] holds the lines before the first header; named sections follow in file order.
    std::vector<Section> sections = std::vector<Section>(1);
};

// Lines no writer of ini files makes; the first one is described, the others counted.
class Damage {
public:
    // Far beyond any setting: a value is read into at most a few thousand characters.
    static constexpr size_t kLongestLine = 64 * 1024;

    // A line without its blanks at both ends; `header` when it opens a section.
    void Check(std::string_view line, size_t lineNumber, bool header, bool inSection)
    {
        std::string what;
        if (line.size() > kLongestLine) {
            what = "is too long (" + std::to_string(line.size()) + " characters)";
        } else if (std::any_of(line.begin(), line.end(), IsControl)) {
            what = "holds control characters";
        } else if (header || line[0] == ';' || line[0] == '#') {
            return;  // '#' is no comment to Windows, but people write it as one
        } else if (line[0] == '[') {
            what = "opens a section without ']'";
        } else if (line.find('=') == std::string_view::npos) {
            what = "is neither a section, a key with '=' nor a comment";
        } else if (!inSection) {
            what = "is a key before the first section";
        } else {
            return;
        }
        if (++count == 1) first = "line " + std::to_string(lineNumber) + " " + what;
    }
    std::string Text() const
    {
        if (count <= 1) return first;
        return first + "; " + std::to_string(count) + " damaged lines in all";
    }

private:
    // Tab and the line ends are text; so is 0x1a, the old end-of-file mark Windows skips.
    static bool IsControl(char c)
    {
        const auto u = static_cast<unsigned char>(c);
        return (u < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != 0x1a) || u == 0x7f;
    }

    size_t count = 0;
    std::string first;
};

// Per thread, since the callers of one thread ask after their own call.
thread_local std::string lastDamage;

void Parse(const std::string& text, Profile& profile)
{
    Damage damage;
    size_t lineNumber = 1;  // counted at '\n', as "\r\n" and "\n" files have them
    const size_t size = text.size();
    size_t pos = 0;
    if (text.compare(0, 3, kUtf8Bom) == 0) {
        profile.utf8Bom = true;
        pos = 3;
    }
    size_t current = 0;
    bool hasPrevious = false, previousNameEmpty = false;
    while (pos < size) {
        size_t begin = pos, end = pos;
        while (end < size && text[end] != '\n' && text[end] != '\r') ++end;
        pos = end;
        const size_t number = lineNumber;
        while (pos < size && (text[pos] == '\n' || text[pos] == '\r')) {
            if (text[pos] == '\n') ++lineNumber;
            ++pos;
        }
        while (begin < end && IsBlank(text[begin])) ++begin;
        while (end > begin && IsBlank(text[end - 1])) --end;
        if (begin >= end) continue;

        if (text[begin] == '[') {
            size_t close = end;  // one past the last ']'
            while (close > begin && text[close - 1] != ']') --close;
            if (close > begin + 1) {
                damage.Check(std::string_view(text).substr(begin, end - begin), number, true, true);
                profile.sections.push_back(Section{text.substr(begin + 1, close - begin - 2), {}});
                current = profile.sections.size() - 1;
                hasPrevious = false;
                continue;
            }
            // No ']': an ordinary line.
        }
        damage.Check(std::string_view(text).substr(begin, end - begin), number, false, current != 0);

        Entry entry;
        const size_t eq = text.find('=', begin);
        if (eq != std::string::npos && eq < end) {
            size_t nameEnd = eq;
            while (nameEnd > begin && IsBlank(text[nameEnd - 1])) --nameEnd;
            size_t valueBegin = eq + 1;
            while (valueBegin < end && IsBlank(text[valueBegin])) ++valueBegin;
            entry.name = text.substr(begin, nameEnd - begin);
            entry.value = text.substr(valueBegin, end - valueBegin);
            entry.hasValue = true;
        } else {
            entry.name = text.substr(begin, end - begin);
        }
        // Windows keeps only the first of consecutive lines with an empty key name.
        if (!entry.name.empty() || !hasPrevious || !previousNameEmpty) {
            previousNameEmpty = entry.name.empty();
            hasPrevious = true;
            profile.sections[current].entries.push_back(std::move(entry));
        }
    }
    lastDamage = damage.Text();
}

std::string Serialize(const Profile& profile)
{
    std::string out;
    if (profile.utf8Bom) out += kUtf8Bom;
    for (size_t i = 0; i < profile.sections.size(); ++i) {
        const Section& section = profile.sections[i];
        if (i > 0) out += "[" + section.name + "]\r\n";
        for (const Entry& entry : section.entries) {
            out += entry.name;
            if (entry.hasValue) out += "=" + entry.value;
            out += "\r\n";
        }
    }
    // A first line that starts with the mark's bytes but followed blank lines would be read as
    // the mark once it opens the file, and a "[section]" after it would become a header.
    if (!profile.utf8Bom && out.compare(0, 3, kUtf8Bom) == 0) out.insert(0, "\r\n");
    return out;
}

// Named sections only (index 0, the unnamed one, is never found by name).
Section* FindSection(Profile& profile, const std::string& name)
{
    for (size_t i = 1; i < profile.sections.size(); ++i)
        if (Util_2_1::EqualsNoCase(profile.sections[i].name, name)) return &profile.sections[i];
    return nullptr;
}

Entry* FindEntry(Section& section, const std::string& name)
{
    for (Entry& entry : section.entries)
        if (Util_2_1::EqualsNoCase(entry.name, name)) return &entry;
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// File access

enum class LoadResult { Loaded, Missing, Failed };

std::string DirectoryOf(const std::string& path)
{
    const size_t cut = path.find_last_of('/');
    if (cut == std::string::npos) return ".";
    if (cut == 0) return "/";
    return path.substr(0, cut);
}

bool IsDirectory(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A missing file in an existing directory is an empty profile. When the profile is to be
// written the file must be writable, as Windows opens it for writing (a read-only file or a
// directory fails).
LoadResult Load(const char* file, bool forWrite, Profile& profile)
{
    lastDamage.clear();
    if (file == nullptr || *file == '\0') return LoadResult::Failed;
    const int fd = ::open(file, (forWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT && IsDirectory(DirectoryOf(file))) return LoadResult::Missing;
        return LoadResult::Failed;
    }
    std::string text;
    char chunk[16 * 1024];
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        if (got == 0) break;
        text.append(chunk, static_cast<size_t>(got));
    }
    ::close(fd);
    if (!ok) return LoadResult::Failed;
    Parse(text, profile);
    return LoadResult::Loaded;
}

void SyncDirectory(const std::string& directory)
{
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
}

// Replaces `file` atomically with the serialized profile.
bool Save(const char* file, const Profile& profile)
{
    std::string target = file;
    // A symbolic link stays a link: the file it points to is the one replaced.
    struct stat linkStat;
    if (::lstat(file, &linkStat) == 0 && S_ISLNK(linkStat.st_mode)) {
        if (char* resolved = ::realpath(file, nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    const std::string directory = DirectoryOf(target);
    const size_t cut = target.find_last_of('/');
    const std::string base = cut == std::string::npos ? target : target.substr(cut + 1);

    struct stat old;
    const bool hadOld = ::stat(target.c_str(), &old) == 0;

    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = directory + "/." + base + "." + std::to_string(::getpid()) + "." + std::to_string(counter.fetch_add(1)) +
               ".tmp";
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;

    if (hadOld) {
        // Keep owner and mode of the file being replaced (best effort: not every file system
        // or user may change them).
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
            // not permitted for an ordinary user: the file then belongs to the writer
        }
        (void)::fchmod(fd, old.st_mode & 07777);
    }
    // EINVAL: the file system cannot sync (some special ones); the rename is still atomic.
    bool ok = WriteAllBytes(fd, Serialize(profile)) && (::fsync(fd) == 0 || errno == EINVAL);
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) ok = false;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    SyncDirectory(directory);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Buffer rules

// Copies a value (without enclosing matching quotes), cut to size - 1 characters.
uint32_t CopyValue(char* buffer, uint32_t size, const std::string& value)
{
    size_t begin = 0, length = value.size();
    if (length >= 2 && (value[0] == '"' || value[0] == '\'') && value[length - 1] == value[0]) {
        begin = 1;
        length -= 2;
    }
    const size_t n = std::min<size_t>(length, size - 1);
    std::memcpy(buffer, value.data() + begin, n);
    buffer[n] = '\0';
    return static_cast<uint32_t>(n);
}

// The keys of a section as a NUL-separated list (Wine's PROFILE_GetSection): a key that does
// not fit is cut, the list then ends in two NULs and the result is size - 2.
uint32_t ListKeys(Profile& profile, const char* sectionName, char* buffer, uint32_t size)
{
    const Section* section = FindSection(profile, sectionName);
    if (section == nullptr) {
        buffer[0] = '\0';
        if (size > 1) buffer[1] = '\0';
        return 0;
    }
    uint32_t left = size;
    char* out = buffer;
    for (const Entry& entry : section->entries) {
        if (left <= 2) break;
        if (entry.name.empty() || entry.name[0] == ';' || !entry.hasValue) continue;
        const size_t n = std::min<size_t>(entry.name.size(), left - 2);
        std::memcpy(out, entry.name.data(), n);
        out[n] = '\0';
        out += n + 1;
        left -= static_cast<uint32_t>(n + 1);
        if (left < 2) break;
    }
    *out = '\0';
    if (left <= 1) {
        if (out > buffer) out[-1] = '\0';
        return size >= 2 ? size - 2 : 0;
    }
    return size - left;
}

// The section names (Wine's PROFILE_GetSectionNames): a name that does not fit is cut, the
// list ends in two NULs and the result is size - 2 (also when the list fills the buffer
// exactly). An empty list is a single NUL.
uint32_t ListSections(const Profile& profile, char* buffer, uint32_t size)
{
    if (size == 1) {
        buffer[0] = '\0';
        return 0;
    }
    uint32_t room = size - 1;
    char* out = buffer;
    for (size_t i = 1; i < profile.sections.size(); ++i) {
        const std::string& name = profile.sections[i].name;
        if (name.empty()) continue;
        const size_t needed = name.size() + 1;
        if (needed >= room) {
            std::memcpy(out, name.data(), room - 1);
            out += room - 1;
            *out++ = '\0';
            *out = '\0';
            return size - 2;
        }
        std::memcpy(out, name.c_str(), needed);
        out += needed;
        room -= static_cast<uint32_t>(needed);
    }
    *out = '\0';
    return static_cast<uint32_t>(out - buffer);
}

// A list result of size - 2 ends in two NULs: the second one is the buffer's last byte. The
// Windows side writes it too (see win32/Profile.cpp), so both give the same bytes.
uint32_t EndList(char* buffer, uint32_t size, uint32_t result)
{
    if (size >= 2 && result == size - 2) buffer[size - 1] = '\0';
    return result;
}

std::string TrimDefault(const char* defaultValue)
{
    std::string value = defaultValue != nullptr ? defaultValue : "";
    while (!value.empty() && value.back() == ' ') value.pop_back();
    return value;
}

}  // namespace

std::string IniFileDamage()
{
    return lastDamage;
}

uint32_t ReadIniString(const char* section, const char* key, const char* defaultValue, char* buffer, uint32_t size,
                       const char* file)
{
    if (buffer == nullptr || size == 0) return 0;
    if (section == nullptr) return ReadIniSectionNames(buffer, size, file);

    const std::string fallback = TrimDefault(defaultValue);
    std::lock_guard<std::mutex> lock(ProfileMutex());
    Profile profile;
    const bool loaded = Load(file, false, profile) == LoadResult::Loaded;

    if (key == nullptr) {
        uint32_t result = 0;
        if (loaded) {
            result = ListKeys(profile, section, buffer, size);
        } else {
            buffer[0] = '\0';
        }
        if (buffer[0] == '\0')  // nothing listed: the default, as Windows does
            result = CopyValue(buffer, size, fallback);
        return EndList(buffer, size, result);
    }

    const Entry* entry = nullptr;
    if (loaded) {
        if (Section* found = FindSection(profile, TrimBlanks(section))) entry = FindEntry(*found, TrimBlanks(key));
    }
    return CopyValue(buffer, size, entry != nullptr && entry->hasValue ? entry->value : fallback);
}

uint32_t ReadIniSectionNames(char* buffer, uint32_t size, const char* file)
{
    if (buffer == nullptr || size == 0) return 0;
    std::lock_guard<std::mutex> lock(ProfileMutex());
    Profile profile;
    Load(file, false, profile);  // a missing or unreadable file lists nothing
    return EndList(buffer, size, ListSections(profile, buffer, size));
}

bool WriteIniString(const char* section, const char* key, const char* value, const char* file)
{
    if (section == nullptr) return false;
    std::lock_guard<std::mutex> lock(ProfileMutex());
    Profile profile;
    if (Load(file, true, profile) == LoadResult::Failed) return false;

    bool changed = false;
    if (key == nullptr) {
        // Delete the first section of that name (a missing one is no error).
        for (size_t i = 1; i < profile.sections.size(); ++i) {
            if (Util_2_1::EqualsNoCase(profile.sections[i].name, section)) {
                profile.sections.erase(profile.sections.begin() + static_cast<std::ptrdiff_t>(i));
                changed = true;
                break;
            }
        }
    } else if (value == nullptr) {
        // Delete the key (a missing one is no error).
        for (size_t i = 1; i < profile.sections.size() && !changed; ++i) {
            Section& s = profile.sections[i];
            if (!Util_2_1::EqualsNoCase(s.name, section)) continue;
            for (auto it = s.entries.begin(); it != s.entries.end(); ++it) {
                if (Util_2_1::EqualsNoCase(it->name, key)) {
                    s.entries.erase(it);
                    changed = true;
                    break;
                }
            }
        }
    } else {
        // Set the value: leading blanks of the value are dropped; a new key or section keeps
        // the spelling it was given (without leading blanks).
        const std::string newValue = SkipBlanks(value);
        Section* target = FindSection(profile, TrimBlanks(section));
        if (target == nullptr) {
            profile.sections.push_back(Section{SkipBlanks(section), {}});
            target = &profile.sections.back();
        }
        Entry* entry = FindEntry(*target, TrimBlanks(key));
        if (entry == nullptr) {
            target->entries.push_back(Entry{SkipBlanks(key), newValue, true});
            changed = true;
        } else if (!entry->hasValue || entry->value != newValue) {
            entry->value = newValue;
            entry->hasValue = true;
            changed = true;
        }
    }

    if (!changed) return true;  // nothing to do; a missing file is not created
    return Save(file, profile);
}

}  // namespace Platform
