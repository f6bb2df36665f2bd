// The stand-in host program saves frames from the emulator, as the README shows:
//   ORNIC_SDK=aravis ORNIC_ARAVIS_ADDRESSES=127.0.0.1 ornic-host grab --camera "Fake (GV01)" ...
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "AravisTestSupport.h"
#include "support/TempDir.h"

using namespace AravisTest;

namespace {

// Runs the host program with the given arguments; its exit status (-1 when it did not end).
int RunHost(const std::vector<std::string>& args)
{
    std::vector<std::string> all = {ORNIC_HOST_PROGRAM};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        // In the sanitizer build: the host unloads the driver at exit, and the driver's
        // process-wide objects (logger, settings), never freed by design, would show as leaks.
        setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

}  // namespace

TEST(AravisHostTest, TheStandInHostSavesFramesFromTheEmulator)
{
    Emulator emulator;
    std::string error;
    ASSERT_TRUE(emulator.Start(error)) << error;
    ScopedEnv backend("ORNIC_SDK", "aravis");
    ScopedEnv addresses("ORNIC_ARAVIS_ADDRESSES", kEmulatorAddress);
    TempDir out;
    ASSERT_EQ(
        RunHost({"grab", "--camera", kConfigName, "--frames", "3", "--format", "bmp", "--out", out.Path(), "--quiet"}),
        0);
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(out.Path())) {
        files.push_back(entry.path().filename().string());
        EXPECT_GT(std::filesystem::file_size(entry.path()), 512u * 512u) << entry.path();
    }
    EXPECT_EQ(files.size(), 3u);
    for (const std::string& file : files) EXPECT_NE(file.find("Fake"), std::string::npos) << file;
}
