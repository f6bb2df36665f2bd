// Events, threads, clocks, files, paths and libraries. The same source runs natively and as
// the 64-bit Windows build under wine64, so every assertion holds for both implementations.
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace Platform;

namespace {

// A fresh, empty directory per test, removed afterwards.
class TempDir {
public:
    TempDir()
    {
        std::random_device random;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string name = std::string("ornic-platform-") + (info ? info->name() : "test") + "-" +
                                 std::to_string(random()) + std::to_string(random());
        path_ = fs::temp_directory_path() / name;
        fs::create_directories(path_);
    }
    ~TempDir()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Polls `condition` for up to `ms` milliseconds.
template <typename Condition>
bool Eventually(Condition condition, uint32_t ms = 5000)
{
    const uint64_t end = TickCountMs() + ms;
    while (!condition()) {
        if (TickCountMs() > end) return false;
        SleepMs(2);
    }
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Events

TEST(Event, ManualResetStaysSetUntilReset)
{
    Event event(Event::Mode::ManualReset);
    ASSERT_TRUE(event.Valid());
    EXPECT_EQ(event.Wait(0), WaitResult::Timeout);
    event.Set();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(event.Wait(0), WaitResult::Signaled) << "wait " << i;
    EXPECT_EQ(event.Wait(kInfinite), WaitResult::Signaled);
    event.Reset();
    EXPECT_EQ(event.Wait(0), WaitResult::Timeout);
}

TEST(Event, InitiallySet)
{
    Event manual(Event::Mode::ManualReset, true);
    EXPECT_EQ(manual.Wait(0), WaitResult::Signaled);
    EXPECT_EQ(manual.Wait(0), WaitResult::Signaled);

    Event automatic(Event::Mode::AutoReset, true);
    EXPECT_EQ(automatic.Wait(0), WaitResult::Signaled);
    EXPECT_EQ(automatic.Wait(0), WaitResult::Timeout);
}

TEST(Event, AutoResetClearsAfterOneWait)
{
    Event event(Event::Mode::AutoReset);
    ASSERT_TRUE(event.Valid());
    event.Set();
    event.Set();  // setting a set event changes nothing
    EXPECT_EQ(event.Wait(0), WaitResult::Signaled);
    EXPECT_EQ(event.Wait(0), WaitResult::Timeout);
    event.Set();
    event.Reset();
    EXPECT_EQ(event.Wait(0), WaitResult::Timeout);
}

TEST(Event, WaitTimesOut)
{
    Event event(Event::Mode::ManualReset);
    const uint64_t start = TickCountMs();
    EXPECT_EQ(event.Wait(100), WaitResult::Timeout);
    const uint64_t elapsed = TickCountMs() - start;
    EXPECT_GE(elapsed, 80u);  // timer granularity may shorten it slightly
    EXPECT_LT(elapsed, 5000u);
}

namespace {

struct WaiterGroup {
    Event* event = nullptr;
    std::atomic<int> waiting{0};
    std::atomic<int> released{0};
};

int WaitOnce(void* arg)
{
    auto* group = static_cast<WaiterGroup*>(arg);
    group->waiting.fetch_add(1);
    const bool ok = group->event->Wait(10000) == WaitResult::Signaled;
    group->released.fetch_add(1);
    return ok ? 1 : 0;
}

}  // namespace

TEST(Event, AutoResetReleasesExactlyOneWaiterPerSet)
{
    Event event(Event::Mode::AutoReset);
    WaiterGroup group;
    group.event = &event;
    Thread threads[3];
    for (Thread& thread : threads) ASSERT_TRUE(thread.Start(WaitOnce, &group));
    ASSERT_TRUE(Eventually([&] { return group.waiting.load() == 3; }));
    SleepMs(100);  // let all three block in Wait
    EXPECT_EQ(group.released.load(), 0);

    for (int round = 1; round <= 3; ++round) {
        event.Set();
        ASSERT_TRUE(Eventually([&] { return group.released.load() == round; })) << "round " << round;
        SleepMs(100);  // no second waiter may follow
        EXPECT_EQ(group.released.load(), round) << "round " << round;
    }
    EXPECT_EQ(event.Wait(0), WaitResult::Timeout);  // the last waiter cleared it

    for (Thread& thread : threads) {
        ASSERT_TRUE(thread.Join(5000));
        EXPECT_EQ(thread.ExitCode(), 1);
    }
}

TEST(Event, ManualResetReleasesAllWaiters)
{
    Event event(Event::Mode::ManualReset);
    WaiterGroup group;
    group.event = &event;
    Thread threads[3];
    for (Thread& thread : threads) ASSERT_TRUE(thread.Start(WaitOnce, &group));
    ASSERT_TRUE(Eventually([&] { return group.waiting.load() == 3; }));
    SleepMs(50);
    event.Set();
    for (Thread& thread : threads) {
        ASSERT_TRUE(thread.Join(5000));
        EXPECT_EQ(thread.ExitCode(), 1);
    }
    EXPECT_EQ(group.released.load(), 3);
    EXPECT_EQ(event.Wait(0), WaitResult::Signaled);
}

TEST(Event, SetBeforeWaitIsNotLost)
{
    Event event(Event::Mode::AutoReset);
    Thread setter;
    ASSERT_TRUE(setter.Start(
        [](void* arg) {
            static_cast<Event*>(arg)->Set();
            return 0;
        },
        &event));
    ASSERT_TRUE(setter.Join(5000));
    // The setter is gone; the signal it left is still there.
    EXPECT_EQ(event.Wait(kInfinite), WaitResult::Signaled);
    EXPECT_EQ(event.Wait(0), WaitResult::Timeout);
}

// ---------------------------------------------------------------------------------------------
// Threads

namespace {

struct ThreadProbe {
    std::atomic<uint32_t> id{0};
    int input = 0;
};

}  // namespace

TEST(Thread, StartJoinExitCode)
{
    ThreadProbe probe;
    probe.input = 41;
    Thread thread;
    EXPECT_FALSE(thread.Started());
    EXPECT_FALSE(thread.Join(0));  // nothing to join
    ASSERT_TRUE(thread.Start(
        [](void* arg) {
            auto* p = static_cast<ThreadProbe*>(arg);
            p->id = CurrentThreadId();
            return p->input + 1;
        },
        &probe));
    EXPECT_TRUE(thread.Started());
    ASSERT_TRUE(thread.Join(5000));
    EXPECT_FALSE(thread.Started());
    EXPECT_EQ(thread.ExitCode(), 42);
    EXPECT_NE(probe.id.load(), 0u);
    EXPECT_NE(probe.id.load(), CurrentThreadId());
    EXPECT_TRUE(thread.Join(0));  // already joined: the result stays
    EXPECT_EQ(thread.ExitCode(), 42);

    // The object can run another thread afterwards.
    ASSERT_TRUE(thread.Start([](void*) { return -7; }, nullptr));
    ASSERT_TRUE(thread.Join(kInfinite));
    EXPECT_EQ(thread.ExitCode(), -7);
}

TEST(Thread, StartTwiceWhileRunningFails)
{
    Event release(Event::Mode::ManualReset);
    auto body = [](void* arg) { return static_cast<Event*>(arg)->Wait(10000) == WaitResult::Signaled ? 3 : 0; };
    Thread thread;
    ASSERT_TRUE(thread.Start(body, &release));
    EXPECT_FALSE(thread.Start(body, &release));
    release.Set();
    ASSERT_TRUE(thread.Join(5000));
    EXPECT_EQ(thread.ExitCode(), 3);
}

TEST(Thread, JoinTimesOutOnBlockedThreadThenSucceeds)
{
    Event release(Event::Mode::ManualReset);
    Thread thread;
    ASSERT_TRUE(thread.Start(
        [](void* arg) { return static_cast<Event*>(arg)->Wait(kInfinite) == WaitResult::Signaled ? 5 : -1; },
        &release));
    const uint64_t start = TickCountMs();
    EXPECT_FALSE(thread.Join(100));
    EXPECT_GE(TickCountMs() - start, 80u);
    EXPECT_TRUE(thread.Started());
    EXPECT_FALSE(thread.Join(0));

    release.Set();
    ASSERT_TRUE(thread.Join(5000));
    EXPECT_EQ(thread.ExitCode(), 5);
}

namespace {

// Outlives the test: on POSIX a terminated thread is only abandoned and still runs until the
// event releases it.
Event& AbandonedRelease()
{
    static Event event(Event::Mode::ManualReset);
    return event;
}

std::atomic<bool> gTerminatedThreadDone{false};

}  // namespace

TEST(Thread, TerminateReportsTheGivenExitCode)
{
    AbandonedRelease().Reset();  // (--gtest_repeat)
    gTerminatedThreadDone = false;
    Thread thread;
    ASSERT_TRUE(thread.Start(
        [](void*) {
            AbandonedRelease().Wait(10000);
            gTerminatedThreadDone = true;  // only reached where the thread was not killed
            return 1;
        },
        nullptr));
    SleepMs(50);
    thread.Terminate(77);
    EXPECT_FALSE(thread.Started());
    EXPECT_EQ(thread.ExitCode(), 77);
    EXPECT_TRUE(thread.Join(0));
    AbandonedRelease().Set();
    const bool windows = PathSeparator() == '\\';
    if (windows) {
        // TerminateThread killed it: it never gets past the wait.
        SleepMs(100);
        EXPECT_FALSE(gTerminatedThreadDone.load());
    } else {
        // POSIX only abandoned it, and it ends now. Wait for that, so that it is done with the
        // event before the process ends.
        EXPECT_TRUE(Eventually([] { return gTerminatedThreadDone.load(); }));
    }
}

TEST(Thread, TerminateAfterTheThreadEndedKeepsItsExitCode)
{
    Thread thread;
    ASSERT_TRUE(thread.Start([](void*) { return 9; }, nullptr));
    SleepMs(100);
    thread.Terminate(77);
    EXPECT_FALSE(thread.Started());
    EXPECT_EQ(thread.ExitCode(), 9);
}

TEST(Thread, DestructorAbandonsARunningThread)
{
    static Event release(Event::Mode::ManualReset);
    static std::atomic<bool> finished{false};
    release.Reset();  // (--gtest_repeat)
    finished = false;
    {
        Thread thread;
        ASSERT_TRUE(thread.Start(
            [](void*) {
                release.Wait(10000);
                finished = true;
                return 0;
            },
            nullptr));
    }  // not joined
    release.Set();
    EXPECT_TRUE(Eventually([] { return finished.load(); }));
}

// ---------------------------------------------------------------------------------------------
// Clocks

TEST(Clock, TickCountIsMonotonic)
{
    uint64_t previous = TickCountMs();
    for (int i = 0; i < 1000; ++i) {
        const uint64_t now = TickCountMs();
        ASSERT_GE(now, previous);
        previous = now;
    }
    const uint64_t start = TickCountMs();
    SleepMs(100);
    const uint64_t elapsed = TickCountMs() - start;
    EXPECT_GE(elapsed, 80u);
    EXPECT_LT(elapsed, 5000u);
}

TEST(Clock, CurrentThreadIdIsStable)
{
    EXPECT_EQ(CurrentThreadId(), CurrentThreadId());
    EXPECT_NE(CurrentThreadId(), 0u);
}

TEST(Debug, DebugOutputAcceptsTextAndNull)
{
    DebugOutput("");
    DebugOutput(nullptr);
    DebugOutput("platform_tests: debug output check\n");
}

// ---------------------------------------------------------------------------------------------
// Files

TEST(Files, FileExists)
{
    TempDir dir;
    const std::string file = dir.File("present.txt");
    EXPECT_FALSE(FileExists(file));
    WriteText(file, "x");
    EXPECT_TRUE(FileExists(file));
    EXPECT_TRUE(FileExists(dir.Path().string()));  // directories exist too
    EXPECT_FALSE(FileExists(dir.File("missing.txt")));
    EXPECT_FALSE(FileExists(dir.File("no-dir/missing.txt")));
    EXPECT_FALSE(FileExists(""));
}

TEST(Files, CopyFileNoOverwrite)
{
    TempDir dir;
    const std::string from = dir.File("from.bin");
    const std::string to = dir.File("to.bin");
    std::string content = "first line\r\nsecond\n";
    content.push_back('\0');
    content += std::string(100000, 'z');  // more than one copy chunk
    WriteText(from, content);

    ASSERT_TRUE(CopyFileNoOverwrite(from, to));
    EXPECT_EQ(ReadText(to), content);

    // An existing target is left alone.
    WriteText(to, "keep me");
    EXPECT_FALSE(CopyFileNoOverwrite(from, to));
    EXPECT_EQ(ReadText(to), "keep me");

    // A missing source creates nothing.
    const std::string other = dir.File("other.bin");
    EXPECT_FALSE(CopyFileNoOverwrite(dir.File("missing.bin"), other));
    EXPECT_FALSE(FileExists(other));
    EXPECT_EQ(ReadText(from), content);
}

// ---------------------------------------------------------------------------------------------
// Paths

TEST(Paths, Separators)
{
    EXPECT_TRUE(PathSeparator() == '/' || PathSeparator() == '\\');
    EXPECT_TRUE(IsPathSeparator('/'));
    EXPECT_TRUE(IsPathSeparator('\\'));
    EXPECT_TRUE(IsPathSeparator(PathSeparator()));
    EXPECT_FALSE(IsPathSeparator(':'));
    EXPECT_FALSE(IsPathSeparator('a'));
}

TEST(Paths, IsAbsolutePath)
{
    const bool windows = PathSeparator() == '\\';
    EXPECT_TRUE(IsAbsolutePath("/usr/lib"));
    EXPECT_TRUE(IsAbsolutePath("\\rooted\\path"));
    EXPECT_TRUE(IsAbsolutePath("\\\\server\\share"));
    EXPECT_FALSE(IsAbsolutePath(""));
    EXPECT_FALSE(IsAbsolutePath("relative/path"));
    EXPECT_FALSE(IsAbsolutePath("relative\\path"));
    EXPECT_FALSE(IsAbsolutePath("file.ini"));
    EXPECT_FALSE(IsAbsolutePath("C:"));
    EXPECT_FALSE(IsAbsolutePath("C:relative"));
    // Drive letters exist only on Windows.
    EXPECT_EQ(IsAbsolutePath("C:\\x"), windows);
    EXPECT_EQ(IsAbsolutePath("c:/x"), windows);
    EXPECT_EQ(IsAbsolutePath("Z:\\"), windows);
    EXPECT_FALSE(IsAbsolutePath("1:\\x"));
    EXPECT_TRUE(IsAbsolutePath(fs::temp_directory_path().string()));
}

TEST(Paths, JoinPath)
{
    const std::string sep(1, PathSeparator());
    EXPECT_EQ(JoinPath("dir", "name.ini"), "dir" + sep + "name.ini");
    EXPECT_EQ(JoinPath("dir/", "name.ini"), "dir/name.ini");
    EXPECT_EQ(JoinPath("dir\\", "name.ini"), "dir\\name.ini");
    EXPECT_EQ(JoinPath("dir", "/name.ini"), "dir/name.ini");
    EXPECT_EQ(JoinPath("dir/", "/name.ini"), "dir/name.ini");
    EXPECT_EQ(JoinPath("a" + sep + "b", "c"), "a" + sep + "b" + sep + "c");
    EXPECT_EQ(JoinPath("", "name.ini"), "name.ini");
    EXPECT_EQ(JoinPath("dir", ""), "dir");
}

TEST(Paths, FileNamePart)
{
    EXPECT_EQ(FileNamePart("/a/b/c.ini"), "c.ini");
    EXPECT_EQ(FileNamePart("C:\\a\\b\\c.ini"), "c.ini");
    EXPECT_EQ(FileNamePart("a\\b/c.ini"), "c.ini");
    EXPECT_EQ(FileNamePart("a/b\\c.ini"), "c.ini");
    EXPECT_EQ(FileNamePart("c.ini"), "c.ini");
    EXPECT_EQ(FileNamePart("dir/"), "");
    EXPECT_EQ(FileNamePart(""), "");
    EXPECT_EQ(FileNamePart(JoinPath("x", "y.dll")), "y.dll");
}

// ---------------------------------------------------------------------------------------------
// Libraries

TEST(Library, LoadMissingFails)
{
    TempDir dir;
    Library library;
    EXPECT_FALSE(library.Loaded());
    EXPECT_FALSE(library.Load(dir.File("no-such-library.dll")));
    EXPECT_FALSE(library.Loaded());
    EXPECT_FALSE(library.LastError().empty());
    EXPECT_EQ(library.Symbol("anything"), nullptr);
    library.Unload();  // harmless
}

TEST(Library, LoadSystemLibraryAndFindSymbol)
{
#ifdef _WIN32
    const char* name = "kernel32.dll";
    const char* symbol = "GetTickCount64";
#else
    const char* name = "libc.so.6";
    const char* symbol = "strlen";
#endif
    Library library;
    ASSERT_TRUE(library.Load(name)) << library.LastError();
    EXPECT_TRUE(library.Loaded());
    EXPECT_TRUE(library.LastError().empty());
    EXPECT_NE(library.Symbol(symbol), nullptr);
    EXPECT_EQ(library.Symbol("ornic_no_such_symbol"), nullptr);
    library.Unload();
    EXPECT_FALSE(library.Loaded());
}
