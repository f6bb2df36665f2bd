// A writer killed at any point of an ini write leaves the file complete: the old version or the
// new one, never a mix or a cut. A child process writes one version after the other and is
// killed at a random moment, many times. POSIX only: Windows replaces the file by itself.
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Enough settings that a write takes a while, so that the kills land inside writes.
constexpr int kFillerKeys = 2000;

// The file holding version `version`: one changing key amid many that stay.
std::string Version(unsigned version)
{
    std::string text = "[General]\r\nlogDebugView=1\r\n[Port.0.0]\r\n";
    for (int i = 0; i < kFillerKeys / 2; ++i) text += "Before" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    text += "Version=" + std::to_string(version) + "\r\n";
    for (int i = 0; i < kFillerKeys / 2; ++i) text += "After" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    return text;
}

std::string ReadRaw(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The version the file holds, or -1 when it is no complete version.
long VersionIn(const std::string& text)
{
    const size_t at = text.find("\r\nVersion=");
    if (at == std::string::npos) return -1;
    const long version = std::strtol(text.c_str() + at + 10, nullptr, 10);
    return version >= 0 && text == Version(static_cast<unsigned>(version)) ? version : -1;
}

// Writes versions first, first + 1, ... for ever, telling the parent after each one.
[[noreturn]] void WriteVersions(const std::string& file, unsigned first, int progress)
{
    for (unsigned version = first;; ++version) {
        if (!Platform::WriteIniString("Port.0.0", "Version", std::to_string(version).c_str(), file.c_str())) _exit(2);
        if (::write(progress, "w", 1) != 1) _exit(3);
    }
}

}  // namespace

TEST(InterruptedWrite, KilledWriterLeavesTheOldOrTheNewFile)
{
    std::random_device seed;
    const fs::path dir = fs::temp_directory_path() / ("ornic-kill-" + std::to_string(seed()));
    fs::create_directories(dir);
    const std::string file = (dir / "ornic.ini").string();
    {
        std::ofstream out(file, std::ios::binary);
        out << Version(0);
    }

    std::mt19937 random(seed());
    long version = 0;
    for (int round = 0; round < 100; ++round) {
        int progress[2];
        ASSERT_EQ(::pipe(progress), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(progress[0]);
            WriteVersions(file, static_cast<unsigned>(version) + 1, progress[1]);
        }
        ::close(progress[1]);
        // Some rounds kill during the first write, others after a few; the moment within a write
        // is random.
        char done = 0;
        for (unsigned writes = random() % 3; writes > 0; --writes) ASSERT_EQ(::read(progress[0], &done, 1), 1);
        ::usleep(random() % 3000);
        ASSERT_EQ(::kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ::close(progress[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer failed on its own, status " << status;

        const long now = VersionIn(ReadRaw(file));
        ASSERT_GE(now, version) << "round " << round << ": the file is no complete version, or an older one";
        version = now;
    }
    EXPECT_GT(version, 0) << "no write ever completed";

    std::error_code ignored;
    fs::remove_all(dir, ignored);
}
