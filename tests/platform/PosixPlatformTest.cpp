// POSIX-only checks of the platform layer: what the Windows API guarantees by itself and the
// POSIX implementation has to provide (atomic profile writes), and POSIX-specific behaviour.
// Compiled only when not building for Windows.
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace Platform;

namespace {

class PosixPlatformTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::random_device random;
        dir_ = fs::temp_directory_path() /
               (std::string("ornic-posix-") + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" +
                std::to_string(random()) + std::to_string(random()));
        fs::create_directories(dir_);
        ini_ = (dir_ / "test.ini").string();
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(dir_, ignored);
    }

    static std::string ReadRaw(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::vector<std::string> DirectoryEntries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
        return names;
    }

    std::string Get(const char* section, const char* key) const
    {
        char buffer[256];
        ReadIniString(section, key, "<default>", buffer, sizeof buffer, ini_.c_str());
        return buffer;
    }

    fs::path dir_;
    std::string ini_;
};

// Limits the size of files this process may write (RLIMIT_FSIZE) while in scope. Unlike
// permissions this also binds root. SIGXFSZ is ignored so that the write fails with EFBIG.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        struct rlimit limit = saved_;
        limit.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    bool Active() const { return active_; }

private:
    struct rlimit saved_ {};
    bool active_ = false;
    void (*previousHandler_)(int) = nullptr;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Atomic profile writes

TEST_F(PosixPlatformTest, FailedWriteLeavesThePreviousFileIntact)
{
    ASSERT_TRUE(WriteIniString("s", "k", "old", ini_.c_str()));
    ASSERT_TRUE(WriteIniString("s", "k2", "kept", ini_.c_str()));
    const std::string before = ReadRaw(ini_);
    ASSERT_EQ(before, "[s]\r\nk=old\r\nk2=kept\r\n");

    bool written = true;
    {
        // The new contents exceed the limit: the write breaks off half-way.
        FileSizeLimit limit(before.size() + 10);
        ASSERT_TRUE(limit.Active());
        written = WriteIniString("s", "big", std::string(4096, 'x').c_str(), ini_.c_str());
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadRaw(ini_), before);
    EXPECT_EQ(DirectoryEntries(), std::vector<std::string>{"test.ini"}) << "temporary file left behind";
    EXPECT_EQ(Get("s", "big"), "<default>");
    EXPECT_EQ(Get("s", "k"), "old");

    // Once the cause is gone, writing works again.
    ASSERT_TRUE(WriteIniString("s", "k", "new", ini_.c_str()));
    EXPECT_EQ(ReadRaw(ini_), "[s]\r\nk=new\r\nk2=kept\r\n");
}

TEST_F(PosixPlatformTest, FailedWriteOfANewFileCreatesNothing)
{
    bool written = true;
    {
        FileSizeLimit limit(8);
        ASSERT_TRUE(limit.Active());
        written = WriteIniString("section", "key", "a value longer than the limit", ini_.c_str());
    }
    EXPECT_FALSE(written);
    EXPECT_TRUE(DirectoryEntries().empty());
}

TEST_F(PosixPlatformTest, SuccessfulWritesLeaveNoTemporaryFiles)
{
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(WriteIniString("s", ("k" + std::to_string(i)).c_str(), "v", ini_.c_str()));
    ASSERT_TRUE(WriteIniString("s", "k3", nullptr, ini_.c_str()));
    ASSERT_TRUE(WriteIniString("s", nullptr, nullptr, ini_.c_str()));
    EXPECT_EQ(DirectoryEntries(), std::vector<std::string>{"test.ini"});
    EXPECT_EQ(ReadRaw(ini_), "");
}

TEST_F(PosixPlatformTest, TargetThatIsADirectoryIsLeftAlone)
{
    fs::create_directories(dir_ / "test.ini" / "inner");
    EXPECT_FALSE(WriteIniString("s", "k", "v", ini_.c_str()));
    EXPECT_TRUE(fs::is_directory(dir_ / "test.ini" / "inner"));
    EXPECT_EQ(DirectoryEntries(), std::vector<std::string>{"test.ini"});
}

TEST_F(PosixPlatformTest, WriteKeepsTheFileMode)
{
    ASSERT_TRUE(WriteIniString("s", "k", "v", ini_.c_str()));
    fs::permissions(ini_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(WriteIniString("s", "k", "w", ini_.c_str()));
    EXPECT_EQ(fs::status(ini_).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(Get("s", "k"), "w");
}

TEST_F(PosixPlatformTest, WriteThroughASymbolicLinkKeepsTheLink)
{
    const fs::path real = dir_ / "real.ini";
    ASSERT_TRUE(WriteIniString("s", "k", "v", real.string().c_str()));
    fs::create_symlink(real, ini_);
    ASSERT_TRUE(WriteIniString("s", "k", "through link", ini_.c_str()));
    EXPECT_TRUE(fs::is_symlink(ini_));
    EXPECT_EQ(ReadRaw(real.string()), "[s]\r\nk=through link\r\n");
}

TEST_F(PosixPlatformTest, ReadOnlyFileIsNotWritten)
{
    if (::geteuid() == 0) GTEST_SKIP() << "root may write read-only files";
    ASSERT_TRUE(WriteIniString("s", "k", "v", ini_.c_str()));
    fs::permissions(ini_, fs::perms::owner_read);
    EXPECT_FALSE(WriteIniString("s", "k", "w", ini_.c_str()));
    EXPECT_EQ(ReadRaw(ini_), "[s]\r\nk=v\r\n");
}

// ---------------------------------------------------------------------------------------------
// Debug output and threads

TEST_F(PosixPlatformTest, DebugOutputWritesTheTextUnchangedToStandardError)
{
    const std::string captured = (dir_ / "stderr.txt").string();
    std::fflush(stderr);
    const int saved = ::dup(2);
    ASSERT_GE(saved, 0);
    const int fd = ::open(captured.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ::dup2(fd, 2);
    ::close(fd);
    DebugOutput("line one\n");
    DebugOutput("no newline");
    DebugOutput("");
    DebugOutput(nullptr);
    ::dup2(saved, 2);
    ::close(saved);
    EXPECT_EQ(ReadRaw(captured), "line one\nno newline");
}

namespace {

std::atomic<bool> gAbandonedFinished{false};

Event& AbandonRelease()
{
    static Event event(Event::Mode::ManualReset);
    return event;
}

}  // namespace

TEST_F(PosixPlatformTest, TerminateAbandonsTheThreadWhichRunsToItsEnd)
{
    AbandonRelease().Reset();  // (--gtest_repeat)
    gAbandonedFinished = false;
    Thread thread;
    ASSERT_TRUE(thread.Start(
        [](void*) {
            AbandonRelease().Wait(10000);
            gAbandonedFinished = true;
            return 1;
        },
        nullptr));
    SleepMs(20);
    thread.Terminate(3);
    EXPECT_EQ(thread.ExitCode(), 3);
    EXPECT_FALSE(thread.Started());
    EXPECT_FALSE(gAbandonedFinished.load());  // POSIX cannot kill it: it still waits
    AbandonRelease().Set();
    const uint64_t end = TickCountMs() + 5000;
    while (!gAbandonedFinished.load() && TickCountMs() < end) SleepMs(2);
    EXPECT_TRUE(gAbandonedFinished.load());
}
