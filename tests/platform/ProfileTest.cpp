// The private-profile functions. The same source runs natively (our POSIX implementation) and
// as the 64-bit Windows build under wine64 (the Windows API as Wine implements it), so every
// assertion here is the Windows behaviour that the POSIX code must reproduce.
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace Platform;

namespace {

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::random_device random;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() / (std::string("ornic-profile-") + info->name() + "-" +
                                            std::to_string(random()) + std::to_string(random()));
        fs::create_directories(dir_);
        ini_ = (dir_ / "test.ini").string();
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    std::string File(const std::string& name) const { return (dir_ / name).string(); }

    void WriteRaw(const std::string& text) const { WriteRaw(ini_, text); }
    static void WriteRaw(const std::string& path, const std::string& text)
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << text;
    }
    std::string ReadRaw() const { return ReadRaw(ini_); }
    static std::string ReadRaw(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // ReadIniString into a large buffer; returns the text, `result` gets the return value.
    std::string Get(const char* section, const char* key, const char* fallback, uint32_t* result = nullptr) const
    {
        char buffer[512];
        std::memset(buffer, 'x', sizeof buffer);
        const uint32_t r = ReadIniString(section, key, fallback, buffer, sizeof buffer, ini_.c_str());
        if (result) *result = r;
        EXPECT_EQ(std::strlen(buffer), r) << "return value is the copied length";
        return buffer;
    }

    // A NUL-separated list call with `size`; checks the return value and the first
    // `expected.size()` bytes of the buffer (which is prefilled with 'x').
    template <typename Call>
    void ExpectList(Call call, uint32_t size, uint32_t expectedResult, const std::string& expected) const
    {
        std::vector<char> buffer(size + 8, 'x');
        const uint32_t r = call(buffer.data(), size);
        EXPECT_EQ(r, expectedResult) << "size " << size;
        ASSERT_LE(expected.size(), size) << "bad test expectation";
        EXPECT_EQ(std::string(buffer.data(), expected.size()), expected) << "size " << size;
        for (size_t i = size; i < buffer.size(); ++i)
            ASSERT_EQ(buffer[i], 'x') << "wrote past the buffer at " << i << ", size " << size;
    }

    void ExpectKeys(const char* section, uint32_t size, uint32_t expectedResult, const std::string& expected) const
    {
        ExpectList(
            [&](char* buffer, uint32_t n) { return ReadIniString(section, nullptr, "", buffer, n, ini_.c_str()); },
            size, expectedResult, expected);
    }

    void ExpectSections(uint32_t size, uint32_t expectedResult, const std::string& expected) const
    {
        ExpectList([&](char* buffer, uint32_t n) { return ReadIniSectionNames(buffer, n, ini_.c_str()); }, size,
                   expectedResult, expected);
        // The same list through ReadIniString with a null section.
        ExpectList([&](char* buffer,
                       uint32_t n) { return ReadIniString(nullptr, "ignored", "default", buffer, n, ini_.c_str()); },
                   size, expectedResult, expected);
    }

    fs::path dir_;
    std::string ini_;
};

// The whole literal, embedded NULs included, without the terminator the compiler adds.
template <size_t N>
std::string L(const char (&text)[N])
{
    return std::string(text, N - 1);
}

const char kSample[] =
    "[Section1]\r\n"
    "Name1=val1\r\n"
    "  name2  =   \"quoted value\"  \r\n"
    "name3\r\n"
    "name4='single'\r\n"
    "name5=\"unbalanced\r\n"
    "empty=\r\n"
    "; comment=not a key\r\n"
    "spaced = a b  c \r\n"
    "[section2]\r\n"
    "a=b\r\n";

}  // namespace

// ---------------------------------------------------------------------------------------------
// Reading

TEST_F(ProfileTest, ReadsValuesWithoutRegardToCase)
{
    WriteRaw(kSample);
    uint32_t r = 0;
    EXPECT_EQ(Get("section1", "NAME1", "def", &r), "val1");
    EXPECT_EQ(r, 4u);
    EXPECT_EQ(Get("SECTION1", "name1", "def"), "val1");
    EXPECT_EQ(Get("SeCtIoN2", "A", "def"), "b");
}

TEST_F(ProfileTest, TrimsBlanksAndStripsMatchingQuotes)
{
    WriteRaw(kSample);
    EXPECT_EQ(Get("Section1", "name2", "def"), "quoted value");
    EXPECT_EQ(Get("Section1", "name4", "def"), "single");
    EXPECT_EQ(Get("Section1", "name5", "def"), "\"unbalanced");
    EXPECT_EQ(Get("Section1", "spaced", "def"), "a b  c");
    // Blanks around the requested names do not matter either.
    EXPECT_EQ(Get("  Section1 ", "  name1  ", "def"), "val1");
}

TEST_F(ProfileTest, EmptyValueIsNotTheDefault)
{
    WriteRaw(kSample);
    uint32_t r = 99;
    EXPECT_EQ(Get("Section1", "empty", "def", &r), "");
    EXPECT_EQ(r, 0u);
}

TEST_F(ProfileTest, LineWithoutEqualsSignGivesTheDefault)
{
    // "name3" has no '=': Windows keeps the line but does not treat it as a key with a value.
    WriteRaw(kSample);
    EXPECT_EQ(Get("Section1", "name3", "def"), "def");
}

TEST_F(ProfileTest, MissingKeySectionOrFileGivesTheDefault)
{
    WriteRaw(kSample);
    uint32_t r = 0;
    EXPECT_EQ(Get("Section1", "nokey", "fallback", &r), "fallback");
    EXPECT_EQ(r, 8u);
    EXPECT_EQ(Get("nosection", "name1", "fallback"), "fallback");
    EXPECT_EQ(Get("Section1", "; comment", "fallback"), "not a key");  // comments are plain lines for lookups

    const std::string missing = File("missing.ini");
    char buffer[64];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(ReadIniString("Section1", "name1", "fallback", buffer, sizeof buffer, missing.c_str()), 8u);
    EXPECT_STREQ(buffer, "fallback");
    EXPECT_FALSE(fs::exists(missing));  // reading creates nothing
}

TEST_F(ProfileTest, DefaultLosesTrailingBlanksOnly)
{
    WriteRaw(kSample);
    uint32_t r = 0;
    EXPECT_EQ(Get("Section1", "nokey", "default   ", &r), "default");
    EXPECT_EQ(r, 7u);
    EXPECT_EQ(Get("Section1", "nokey", "one two  "), "one two");
    EXPECT_EQ(Get("Section1", "nokey", "  lead"), "  lead");
    EXPECT_EQ(Get("Section1", "nokey", "in side"), "in side");
    EXPECT_EQ(Get("Section1", "nokey", nullptr, &r), "");
    EXPECT_EQ(r, 0u);
    EXPECT_EQ(Get("Section1", "nokey", ""), "");
}

TEST_F(ProfileTest, AcceptsLfAndCrLineEndingsAndBlankLines)
{
    WriteRaw("[lf]\nk1=v1\n\n\nk2 = v2\n[cr]\rk3=v3\r[crlf]\r\n\r\nk4=v4");
    EXPECT_EQ(Get("lf", "k1", "def"), "v1");
    EXPECT_EQ(Get("lf", "k2", "def"), "v2");
    EXPECT_EQ(Get("cr", "k3", "def"), "v3");
    EXPECT_EQ(Get("crlf", "k4", "def"), "v4");  // last line without an end
    ExpectSections(100, 11, L("lf\0cr\0crlf\0\0"));
}

TEST_F(ProfileTest, KeysBeforeTheFirstSectionAreNeverListed)
{
    WriteRaw("orphan=1\r\n[A]\r\nk=v\r\n[B]\r\nx=y\r\n");
    ExpectSections(100, 4, L("A\0B\0\0"));
    EXPECT_EQ(Get("A", "orphan", "def"), "def");
    EXPECT_EQ(Get("A", "k", "def"), "v");
}

TEST_F(ProfileTest, Utf8ByteOrderMarkIsSkipped)
{
    WriteRaw("\xEF\xBB\xBF[s]\r\nk=v\r\n");
    EXPECT_EQ(Get("s", "k", "def"), "v");
    ExpectSections(100, 2, L("s\0\0"));
    ASSERT_TRUE(WriteIniString("s", "k2", "v2", ini_.c_str()));
    EXPECT_EQ(ReadRaw(), "\xEF\xBB\xBF[s]\r\nk=v\r\nk2=v2\r\n");
}

// ---------------------------------------------------------------------------------------------
// Value truncation

TEST_F(ProfileTest, ValueIsCutToTheBuffer)
{
    WriteRaw(kSample);
    const char* file = ini_.c_str();
    char buffer[16];

    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(ReadIniString("Section1", "Name1", "def", buffer, 4, file), 3u);
    EXPECT_STREQ(buffer, "val");
    EXPECT_EQ(buffer[4], 'x');

    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(ReadIniString("Section1", "Name1", "def", buffer, 5, file), 4u);
    EXPECT_STREQ(buffer, "val1");

    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(ReadIniString("Section1", "Name1", "def", buffer, 1, file), 0u);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], 'x');

    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(ReadIniString("Section1", "Name1", "def", buffer, 0, file), 0u);
    EXPECT_EQ(buffer[0], 'x');  // size 0: untouched

    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(ReadIniString("Section1", "nokey", "defaultvalue", buffer, 5, file), 4u);
    EXPECT_STREQ(buffer, "defa");

    // A quoted value cut short.
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(ReadIniString("Section1", "name2", "def", buffer, 4, file), 3u);
    EXPECT_STREQ(buffer, "quo");
}

// ---------------------------------------------------------------------------------------------
// Key lists

TEST_F(ProfileTest, KeyListSkipsLinesWithoutValueAndComments)
{
    WriteRaw(kSample);
    // name3 (no '=') and the comment are not listed; keys keep their spelling.
    const std::string all = L("Name1\0name2\0name4\0name5\0empty\0spaced\0\0");
    ExpectKeys("section1", 200, 37, all);
    ExpectKeys("SECTION2", 200, 2, L("a\0\0"));
}

TEST_F(ProfileTest, KeyListTruncationRule)
{
    // Wine's conformance test file: keys name1, name2, name4 (name3 has no '=').
    WriteRaw("[section1]\r\nname1=val1\r\nname2=\"val2\"\r\nname3\r\nname4=a\r\n[section2]\r\n");
    ExpectKeys("section1", 100, 18, L("name1\0name2\0name4\0\0"));
    ExpectKeys("section1", 20, 18, L("name1\0name2\0name4\0\0"));
    // Exactly fitting still counts as cut: size - 2.
    ExpectKeys("section1", 19, 17, L("name1\0name2\0name4\0\0"));
    ExpectKeys("section1", 18, 16, L("name1\0name2\0name\0\0"));
    ExpectKeys("section1", 16, 14, L("name1\0name2\0na\0\0"));
    ExpectKeys("section1", 13, 11, L("name1\0name2\0\0"));
    // A key is only started when at least three characters are left.
    ExpectKeys("section1", 8, 6, L("name1\0\0\0"));
    ExpectKeys("section1", 3, 1, L("n\0\0"));
}

TEST_F(ProfileTest, EmptyOrMissingKeyListGivesTheDefault)
{
    WriteRaw("[section1]\r\nname1=val1\r\n[section2]\r\n");
    char buffer[64];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(ReadIniString("section2", nullptr, "default", buffer, sizeof buffer, ini_.c_str()), 7u);
    EXPECT_STREQ(buffer, "default");

    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(ReadIniString("nosuch", nullptr, "default", buffer, sizeof buffer, ini_.c_str()), 7u);
    EXPECT_STREQ(buffer, "default");

    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(ReadIniString("nosuch", nullptr, "", buffer, sizeof buffer, ini_.c_str()), 0u);
    EXPECT_EQ(buffer[0], '\0');

    const std::string missing = File("missing.ini");
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(ReadIniString("section1", nullptr, "", buffer, sizeof buffer, missing.c_str()), 0u);
    EXPECT_EQ(buffer[0], '\0');
}

// ---------------------------------------------------------------------------------------------
// Section lists

TEST_F(ProfileTest, SectionListTruncationRule)
{
    // Wine's conformance test: three sections of 8 characters.
    WriteRaw("[section1]\r\n[section2]\r\n[section3]\r\n");
    const std::string all = L("section1\0section2\0section3\0\0");
    ExpectSections(100, 27, all);
    ExpectSections(29, 27, all);
    ExpectSections(28, 26, all);  // exactly fitting: size - 2, still two NULs
    ExpectSections(27, 25, L("section1\0section2\0section\0\0"));
    ExpectSections(16, 14, L("section1\0secti\0\0"));
    ExpectSections(11, 9, L("section1\0\0\0"));
    ExpectSections(10, 8, L("section1\0\0"));
    ExpectSections(5, 3, L("sec\0\0"));
    ExpectSections(2, 0, L("\0\0"));
    ExpectSections(1, 0, L("\0"));
}

TEST_F(ProfileTest, SectionListOfMissingFileIsEmpty)
{
    const std::string missing = File("missing.ini");
    std::vector<char> buffer(10, 'x');
    EXPECT_EQ(ReadIniSectionNames(buffer.data(), 10, missing.c_str()), 0u);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(ReadIniSectionNames(buffer.data(), 0, missing.c_str()), 0u);
    EXPECT_FALSE(fs::exists(missing));
}

// ---------------------------------------------------------------------------------------------
// Writing

TEST_F(ProfileTest, WriteCreatesFileAndSections)
{
    ASSERT_FALSE(fs::exists(ini_));
    ASSERT_TRUE(WriteIniString("App1", "key1", "string1", ini_.c_str()));
    EXPECT_EQ(ReadRaw(), "[App1]\r\nkey1=string1\r\n");
    ASSERT_TRUE(WriteIniString("App1", "key2", "string2", ini_.c_str()));
    ASSERT_TRUE(WriteIniString("App2", "key3", "string3", ini_.c_str()));
    ASSERT_TRUE(WriteIniString("app1", "KEY4", "string4", ini_.c_str()));  // existing section, any case
    EXPECT_EQ(ReadRaw(),
              "[App1]\r\nkey1=string1\r\nkey2=string2\r\nKEY4=string4\r\n"
              "[App2]\r\nkey3=string3\r\n");
    EXPECT_EQ(Get("APP1", "key4", "def"), "string4");
    ExpectSections(100, 10, L("App1\0App2\0\0"));
}

TEST_F(ProfileTest, WriteEmptyValue)
{
    ASSERT_TRUE(WriteIniString("App", "key", "", ini_.c_str()));
    EXPECT_EQ(ReadRaw(), "[App]\r\nkey=\r\n");
    EXPECT_EQ(Get("App", "key", "def"), "");
}

TEST_F(ProfileTest, WriteReplacesValueKeepingKeySpellingAndOtherLines)
{
    WriteRaw("top=level\r\n[Sec]\r\nMyKey = old \r\nname3\r\n; comment\r\nother=1\r\n\r\n[Next]\r\nn=2\r\n");
    ASSERT_TRUE(WriteIniString("SEC", "mykey", "new value", ini_.c_str()));
    EXPECT_EQ(ReadRaw(), "top=level\r\n[Sec]\r\nMyKey=new value\r\nname3\r\n; comment\r\nother=1\r\n[Next]\r\nn=2\r\n");
    EXPECT_EQ(Get("sec", "MYKEY", "def"), "new value");
}

TEST_F(ProfileTest, WriteAppendsNewKeyAtTheEndOfItsSection)
{
    WriteRaw("[a]\r\nk1=1\r\n[b]\r\nk2=2\r\n");
    ASSERT_TRUE(WriteIniString("A", "k3", "3", ini_.c_str()));
    EXPECT_EQ(ReadRaw(), "[a]\r\nk1=1\r\nk3=3\r\n[b]\r\nk2=2\r\n");
    ASSERT_TRUE(WriteIniString("c", "k4", "4", ini_.c_str()));
    EXPECT_EQ(ReadRaw(), "[a]\r\nk1=1\r\nk3=3\r\n[b]\r\nk2=2\r\n[c]\r\nk4=4\r\n");
}

TEST_F(ProfileTest, WriteDropsLeadingBlanksOfTheValue)
{
    ASSERT_TRUE(WriteIniString("s", "k", "   padded", ini_.c_str()));
    EXPECT_EQ(ReadRaw(), "[s]\r\nk=padded\r\n");
}

TEST_F(ProfileTest, WriteQuotedValueIsReadWithoutQuotes)
{
    ASSERT_TRUE(WriteIniString("s", "k", "\" spaced \"", ini_.c_str()));
    EXPECT_EQ(ReadRaw(), "[s]\r\nk=\" spaced \"\r\n");
    EXPECT_EQ(Get("s", "k", "def"), " spaced ");
}

TEST_F(ProfileTest, DeleteKey)
{
    ASSERT_TRUE(WriteIniString("App1", "key1", "string1", ini_.c_str()));
    ASSERT_TRUE(WriteIniString("App1", "key2", "string2", ini_.c_str()));
    ASSERT_TRUE(WriteIniString("App1", "key3", "string3", ini_.c_str()));
    ASSERT_TRUE(WriteIniString("App1", "KEY2", nullptr, ini_.c_str()));
    EXPECT_EQ(ReadRaw(), "[App1]\r\nkey1=string1\r\nkey3=string3\r\n");
    EXPECT_EQ(Get("App1", "key2", "gone"), "gone");
    // Deleting a missing key is no error and changes nothing.
    ASSERT_TRUE(WriteIniString("App1", "key2", nullptr, ini_.c_str()));
    ASSERT_TRUE(WriteIniString("NoApp", "key2", nullptr, ini_.c_str()));
    EXPECT_EQ(ReadRaw(), "[App1]\r\nkey1=string1\r\nkey3=string3\r\n");
    // The section stays when its last key goes.
    ASSERT_TRUE(WriteIniString("App1", "key1", nullptr, ini_.c_str()));
    ASSERT_TRUE(WriteIniString("App1", "key3", nullptr, ini_.c_str()));
    EXPECT_EQ(ReadRaw(), "[App1]\r\n");
    ExpectSections(100, 5, L("App1\0\0"));
}

TEST_F(ProfileTest, DeleteSection)
{
    ASSERT_TRUE(WriteIniString("App1", "key1", "string1", ini_.c_str()));
    ASSERT_TRUE(WriteIniString("App2", "key2", "string2", ini_.c_str()));
    ASSERT_TRUE(WriteIniString("App3", "key3", "string3", ini_.c_str()));
    // A null key deletes the section, whatever the value.
    ASSERT_TRUE(WriteIniString("app1", nullptr, "ignored", ini_.c_str()));
    EXPECT_EQ(ReadRaw(), "[App2]\r\nkey2=string2\r\n[App3]\r\nkey3=string3\r\n");
    ASSERT_TRUE(WriteIniString("App2", nullptr, nullptr, ini_.c_str()));
    EXPECT_EQ(ReadRaw(), "[App3]\r\nkey3=string3\r\n");
    EXPECT_EQ(Get("App2", "key2", "gone"), "gone");
    ExpectSections(100, 5, L("App3\0\0"));
    // A missing section is no error.
    ASSERT_TRUE(WriteIniString("NoSuch", nullptr, nullptr, ini_.c_str()));
    EXPECT_EQ(ReadRaw(), "[App3]\r\nkey3=string3\r\n");
}

TEST_F(ProfileTest, NullSectionFails)
{
    EXPECT_FALSE(WriteIniString(nullptr, "key", "value", ini_.c_str()));
    EXPECT_FALSE(fs::exists(ini_));
    WriteRaw("[s]\r\nk=v\r\n");
    EXPECT_FALSE(WriteIniString(nullptr, "key", "value", ini_.c_str()));
    EXPECT_EQ(ReadRaw(), "[s]\r\nk=v\r\n");
}

TEST_F(ProfileTest, WriteIntoMissingDirectoryFails)
{
    const std::string path = File("no-such-dir/test.ini");
    EXPECT_FALSE(WriteIniString("s", "k", "v", path.c_str()));
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(ProfileTest, WriteWhereTheFileIsADirectoryFails)
{
    fs::create_directories(ini_);
    EXPECT_FALSE(WriteIniString("s", "k", "v", ini_.c_str()));
    EXPECT_TRUE(fs::is_directory(ini_));
    EXPECT_EQ(Get("s", "k", "def"), "def");
}

// ---------------------------------------------------------------------------------------------
// Concurrency: writers from several threads to one file lose nothing.

namespace {

struct WriterJob {
    const std::string* file = nullptr;
    int index = 0;
};

constexpr int kWriters = 6;
constexpr int kKeysPerWriter = 15;

int WriteKeys(void* arg)
{
    const auto* job = static_cast<WriterJob*>(arg);
    int failures = 0;
    for (int k = 0; k < kKeysPerWriter; ++k) {
        const std::string section = "writer" + std::to_string(job->index % 3);
        const std::string key = "t" + std::to_string(job->index) + "k" + std::to_string(k);
        const std::string value = "v" + std::to_string(job->index * 1000 + k);
        if (!WriteIniString(section.c_str(), key.c_str(), value.c_str(), job->file->c_str())) ++failures;
        char buffer[64];
        ReadIniString(section.c_str(), key.c_str(), "", buffer, sizeof buffer, job->file->c_str());
        if (value != buffer) ++failures;
    }
    return failures;
}

}  // namespace

TEST_F(ProfileTest, ConcurrentWritersLoseNoKey)
{
    WriterJob jobs[kWriters];
    Thread threads[kWriters];
    for (int i = 0; i < kWriters; ++i) {
        jobs[i].file = &ini_;
        jobs[i].index = i;
        ASSERT_TRUE(threads[i].Start(WriteKeys, &jobs[i]));
    }
    for (Thread& thread : threads) {
        ASSERT_TRUE(thread.Join(60000));
        EXPECT_EQ(thread.ExitCode(), 0);
    }
    for (int i = 0; i < kWriters; ++i) {
        for (int k = 0; k < kKeysPerWriter; ++k) {
            const std::string section = "writer" + std::to_string(i % 3);
            const std::string key = "t" + std::to_string(i) + "k" + std::to_string(k);
            EXPECT_EQ(Get(section.c_str(), key.c_str(), "missing"), "v" + std::to_string(i * 1000 + k))
                << section << "/" << key;
        }
    }
    // Which writer created its section first decides the order.
    char list[100];
    ASSERT_EQ(ReadIniSectionNames(list, sizeof list, ini_.c_str()), 24u);
    std::vector<std::string> names;
    for (const char* p = list; *p != '\0'; p += std::strlen(p) + 1) names.push_back(p);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"writer0", "writer1", "writer2"}));
}
