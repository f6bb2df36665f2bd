#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <thread>

#include "sdk/MvStatus.h"
#include "support/LineCollector.h"
#include "util/Logger.h"

using Util_2_1::Logger;
using Util_2_1::LogLine;

namespace {

// A sink whose host output can be held shut, to stand for a slow host procedure.
class TestSink : public Logger::DebugInterface {
public:
    std::atomic<int> hostLevel{1};
    std::atomic<int> viewLevel{1};
    LineCollector host;
    LineCollector view;  // the debug-view sink, routed here through UseStdOut + a capture
    std::atomic<int> outputsWaiting{0};

    int GetLogLevel() override { return hostLevel; }
    int GetDebugViewLevel() override { return viewLevel; }
    bool UseStdOut() override { return true; }
    void Output(const char* line) override
    {
        host.Add(line);
        std::unique_lock<std::mutex> lock(gateMutex);
        ++outputsWaiting;
        gateChanged.wait(lock, [this] { return !gateClosed; });
        --outputsWaiting;
    }

    void CloseGate()
    {
        std::lock_guard<std::mutex> lock(gateMutex);
        gateClosed = true;
    }
    void OpenGate()
    {
        {
            std::lock_guard<std::mutex> lock(gateMutex);
            gateClosed = false;
        }
        gateChanged.notify_all();
    }

private:
    std::mutex gateMutex;
    std::condition_variable gateChanged;
    bool gateClosed = false;
};

void Log(Logger& logger, int level, int port, const char* word, const std::string& text)
{
    if (!logger.IsEnabled(level)) return;
    Logger::ElementPtr element = logger.Acquire();
    element->level = level;
    LogLine(element->text).Prefix(port) << word << text << " {"
                                        << "Test::Log"
                                        << "}\n";
    logger.Post(std::move(element));
}

// Waits until `done` holds; the generous limit only catches hangs.
template <typename Condition>
bool WaitUntil(Condition done)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::yield();
    }
    return true;
}

// Runs `work` on a thread of its own; the future is ready once it has returned. A hang leaves
// the thread behind instead of blocking the test.
std::future<void> RunDetached(std::function<void()> work)
{
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> ready = done->get_future();
    std::thread([work = std::move(work), done] {
        work();
        done->set_value();
    }).detach();
    return ready;
}

// A host procedure that calls back into the driver, as a log window that queries the driver
// does: some lines make it log again, one makes it wait for a lock another host thread holds.
class CallingBackSink : public Logger::DebugInterface {
public:
    Logger* logger = nullptr;
    LineCollector host;
    std::mutex hostLock;
    std::atomic<int> waitingForHostLock{0};
    bool logAgain = false;

    int GetLogLevel() override { return 2; }
    int GetDebugViewLevel() override { return 0; }
    bool UseStdOut() override { return true; }
    void Output(const char* line) override
    {
        host.Add(line);
        if (logAgain && std::strstr(line, "init starting") != nullptr)
            Log(*logger, 1, 0, "ERR: ", "logged by the host");
        if (std::strstr(line, "needs the host lock") != nullptr) {
            ++waitingForHostLock;
            std::lock_guard<std::mutex> lock(hostLock);
        }
    }
};

std::string Compose(int port)
{
    std::string text;
    LogLine(text).Prefix(port) << "x";
    return text;
}

}  // namespace

TEST(LogLineTest, PrefixesFollowThePort)
{
    EXPECT_EQ(Compose(-1), "###: x");
    EXPECT_EQ(Compose(0), "#0: x");
    EXPECT_EQ(Compose(19), "#19: x");
    EXPECT_EQ(Compose(Util_2_1::kGlobalLogPort), "#99: x");
}

TEST(LogLineTest, PiecesAreFormattedInOrder)
{
    std::string text;
    const char* nothing = nullptr;
    LogLine(text) << "a" << nothing << std::string("b") << int32_t(-5) << "|" << uint32_t(4000000000u) << "|"
                  << int64_t(-9000000000LL) << "|" << LogLine::Hex{255} << "|" << 1.5 << "|" << 2.25f << MvStatus(0)
                  << MvStatus(static_cast<int>(0x80000102u));
    EXPECT_EQ(text, "ab-5|4000000000|-9000000000|0xff|1.500000|2.250000 /rc=OK /rc= The value is out of range");
}

TEST(LoggerTest, ThresholdsChooseTheSinks)
{
    TestSink sink;
    Logger logger;
    ASSERT_TRUE(logger.Init(&sink, 8));

    // Both at 1: nothing above level 1 is even composed.
    EXPECT_TRUE(logger.IsEnabled(1));
    EXPECT_FALSE(logger.IsEnabled(2));
    EXPECT_FALSE(logger.IsEnabled(3));

    testing::internal::CaptureStdout();
    sink.hostLevel = 3;
    Log(logger, 2, 4, "Info: ", "to the host only");
    Log(logger, 1, 4, "ERR: ", "to both");
    ASSERT_TRUE(sink.host.WaitFor("to both"));
    const std::string view = testing::internal::GetCapturedStdout();
    EXPECT_EQ(sink.host.Find("to the host only"), "#4: Info: to the host only {Test::Log}\n");
    EXPECT_EQ(view.find("to the host only"), std::string::npos);
    EXPECT_NE(view.find("#4: ERR: to both {Test::Log}\n"), std::string::npos);

    // Both at 0: even level-1 lines are dropped.
    sink.hostLevel = 0;
    sink.viewLevel = 0;
    EXPECT_FALSE(logger.IsEnabled(1));
    logger.Print(1, "silenced");
    sink.hostLevel = 1;
    logger.Print(1, "marker");
    // The logger thread may still be finishing its write; it then takes the line over.
    ASSERT_TRUE(sink.host.WaitFor("marker"));
    EXPECT_EQ(sink.host.Count("silenced"), 0u);
    EXPECT_EQ(sink.host.Count("marker"), 1u);
}

TEST(LoggerTest, PrintEndsEveryLineWithOneNewlineAndCutsLongLines)
{
    TestSink sink;
    sink.viewLevel = 0;
    Logger logger;
    ASSERT_TRUE(logger.Init(&sink, 2));
    sink.host.Clear();
    logger.Print(1, "with newline\n");
    logger.Print(1, "without newline");
    logger.Print(1, std::string(300, 'x').c_str());
    const auto lines = sink.host.Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "with newline\n");
    EXPECT_EQ(lines[1], "without newline\n");
    EXPECT_EQ(lines[2], std::string(255, 'x'));

    // Lines joined in one element are written whole, as many per write as fit.
    sink.host.Clear();
    std::string joined;
    for (char c = 'a'; c < 'f'; ++c) joined += std::string(100, c) + "\n";
    logger.Print(1, joined.c_str());
    const auto writes = sink.host.Lines();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0], std::string(100, 'a') + "\n" + std::string(100, 'b') + "\n");
    EXPECT_EQ(writes[1], std::string(100, 'c') + "\n" + std::string(100, 'd') + "\n");
    EXPECT_EQ(writes[2], std::string(100, 'e') + "\n");

    testing::internal::CaptureStdout();
    sink.viewLevel = 1;
    logger.Print(1, "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Logger::Print: string==null\n");
    EXPECT_EQ(sink.host.Lines().size(), 3u);  // nothing for the host
}

#if !defined(_WIN32)
// On Windows the raw lines go to OutputDebugStringA, which a test cannot read back.
TEST(LoggerTest, BeforeInitLinesGoRawToTheDebugOutputWithANotice)
{
    Logger logger;
    testing::internal::CaptureStderr();
    Log(logger, 1, -1, "ERR: ", "early");
    Log(logger, 2, -1, "Info: ", "filtered");
    const std::string out = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "Logger::Print: _dbgInterface==null, no init?\n###: ERR: early {Test::Log}\n");
}
#endif

TEST(LoggerTest, ElementsAreRecycledWithoutGrowingThePool)
{
    TestSink sink;
    sink.viewLevel = 0;
    Logger logger;
    ASSERT_TRUE(logger.Init(&sink, 4));
    EXPECT_EQ(logger.ElementsAlive(), 4);
    EXPECT_EQ(logger.ElementsPeak(), 3);  // the count before the last creation
    // Until the thread runs, messages take fresh elements of their own.
    while (!logger.Running()) std::this_thread::yield();
    for (int i = 0; i < 50; ++i) {
        Log(logger, 1, 1, "INFO: ", "message " + std::to_string(i) + ";");
        ASSERT_TRUE(sink.host.WaitFor("message " + std::to_string(i) + ";"));
    }
    EXPECT_EQ(logger.ElementsAlive(), 4);
    EXPECT_EQ(sink.host.Count("No pre-allocated"), 0u);
    const auto lines = sink.host.Lines();
    size_t next = 0;
    for (const std::string& line : lines) {
        if (line.find("message ") == std::string::npos) continue;
        EXPECT_NE(line.find("message " + std::to_string(next) + ";"), std::string::npos) << line;
        ++next;
    }
    EXPECT_EQ(next, 50u);
}

TEST(LoggerTest, ABurstWhileTheHostIsSlowIsJoinedIntoOneWrite)
{
    TestSink sink;
    sink.viewLevel = 0;
    Logger logger;
    ASSERT_TRUE(logger.Init(&sink, 2));
    while (!logger.Running()) std::this_thread::yield();

    sink.CloseGate();
    Log(logger, 1, 2, "INFO: ", "first");
    while (sink.outputsWaiting.load() == 0) std::this_thread::yield();
    // The logger thread is held in the host procedure with one element; the other is free.
    Log(logger, 1, 2, "INFO: ", "second");
    Log(logger, 1, 2, "INFO: ", "third");
    EXPECT_EQ(logger.QueueSize(), 1u);
    sink.OpenGate();

    ASSERT_TRUE(sink.host.WaitFor("third"));
    const std::string joined = sink.host.Find("second");
    EXPECT_EQ(joined, "#2: INFO: second {Test::Log}\n#2: INFO: third {Test::Log}\n");
    EXPECT_EQ(logger.ElementsAlive(), 2);
}

TEST(LoggerTest, SecondInitOnlyReplacesTheInterface)
{
    TestSink first;
    TestSink second;
    first.viewLevel = 0;
    second.viewLevel = 0;
    Logger logger;
    ASSERT_TRUE(logger.Init(&first, 3));
    while (!logger.Running()) std::this_thread::yield();
    EXPECT_TRUE(logger.Init(&second, 10));
    EXPECT_EQ(second.host.Count("Logger: init attempt twice\n"), 1u);
    EXPECT_EQ(logger.ElementsAlive(), 3);
    Log(logger, 1, 0, "INFO: ", "after");
    ASSERT_TRUE(second.host.WaitFor("after"));
    EXPECT_EQ(first.host.Count("after"), 0u);
}

TEST(LoggerTest, AfterShutdownLinesAreWrittenAtOnceAndInitIsRefused)
{
    TestSink sink;
    sink.viewLevel = 0;
    sink.hostLevel = 3;
    Logger logger;
    ASSERT_TRUE(logger.Init(&sink, 3));
    logger.Shutdown();
    EXPECT_EQ(sink.host.Count("Logger: thread leaving"), 1u);
    EXPECT_EQ(sink.host.Count("Logger: LogElements: 0 current"), 1u);
    Log(logger, 1, 5, "ERR: ", "late");
    EXPECT_EQ(sink.host.Count("#5: ERR: late"), 1u);  // synchronous: no waiting
    EXPECT_FALSE(logger.Init(&sink, 3));
    EXPECT_EQ(sink.host.Count("Logger: init attempt while closing"), 1u);
}

TEST(LoggerTest, ManyThreadsLoggingAtOnceLoseNothing)
{
    TestSink sink;
    sink.viewLevel = 0;
    Logger logger;
    ASSERT_TRUE(logger.Init(&sink, 16));
    constexpr int kThreads = 4;
    constexpr int kMessages = 250;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&logger, t] {
            for (int i = 0; i < kMessages; ++i) {
                Log(logger, 1, t, "INFO: ", "m" + std::to_string(t) + "-" + std::to_string(i) + ";");
            }
        });
    }
    for (auto& thread : threads) thread.join();
    Log(logger, 1, 9, "INFO: ", "end-marker");
    ASSERT_TRUE(sink.host.WaitFor("end-marker"));

    // Joined writes hold several messages; count every message inside every write.
    std::map<std::string, int> seen;
    for (const std::string& write : sink.host.Lines()) {
        size_t at = 0;
        while ((at = write.find("INFO: m", at)) != std::string::npos) {
            const size_t end = write.find(';', at);
            ASSERT_NE(end, std::string::npos);
            ++seen[write.substr(at + 6, end - at - 6)];
            at = end;
        }
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kMessages));
    for (const auto& entry : seen) EXPECT_EQ(entry.second, 1) << entry.first;
}

TEST(LoggerTest, JoinedLinesReachEachSinkByTheirOwnLevel)
{
    TestSink sink;
    sink.viewLevel = 3;
    testing::internal::CaptureStdout();
    Logger logger;
    ASSERT_TRUE(logger.Init(&sink, 2));
    ASSERT_TRUE(WaitUntil([&] { return logger.Running(); }));
    sink.CloseGate();
    Log(logger, 1, 2, "INFO: ", "first");
    ASSERT_TRUE(WaitUntil([&] { return sink.outputsWaiting.load() > 0; }));
    Log(logger, 1, 2, "ERR: ", "an error");
    Log(logger, 2, 2, "Info: ", "an info");
    Log(logger, 3, 2, "trace: ", "a trace");  // joined last: its level must not become the error's
    EXPECT_EQ(logger.QueueSize(), 1u);
    sink.OpenGate();
    Log(logger, 1, 2, "INFO: ", "marker");
    ASSERT_TRUE(sink.host.WaitFor("marker"));
    const std::string view = testing::internal::GetCapturedStdout();
    EXPECT_EQ(sink.host.Count("#2: ERR: an error {Test::Log}\n"), 1u);
    EXPECT_EQ(sink.host.Count("an info"), 0u);
    EXPECT_EQ(sink.host.Count("a trace"), 0u);
    for (const char* text : {"#2: ERR: an error", "#2: Info: an info", "#2: trace: a trace"}) {
        EXPECT_NE(view.find(text), std::string::npos) << text;
    }
}

TEST(LoggerTest, AHostProcedureThatLogsAgainDoesNotHangTheStart)
{
    // Left alive if a call hangs: a stuck thread still uses them.
    auto* sink = new CallingBackSink;
    auto* logger = new Logger;
    sink->logger = logger;
    sink->logAgain = true;
    // The start writes its lines on the calling thread, before the logger thread runs.
    auto started = std::make_shared<std::atomic<bool>>(false);
    std::future<void> init = RunDetached([=] { *started = logger->Init(sink, 4); });
    ASSERT_EQ(init.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "Init hangs";
    EXPECT_TRUE(started->load());
    EXPECT_EQ(sink->host.Count("#0: ERR: logged by the host"), 1u);
    logger->Shutdown();
    delete logger;
    delete sink;
}

TEST(LoggerTest, ADirectLineNeverWaitsForTheHostProcedure)
{
    auto* sink = new CallingBackSink;
    auto* logger = new Logger;
    sink->logger = logger;
    ASSERT_TRUE(logger->Init(sink, 4));
    ASSERT_TRUE(WaitUntil([&] { return logger->Running(); }));
    // The logger thread is in the host procedure, which waits for a lock this host thread
    // holds; meanwhile another thread writes a direct line.
    std::unique_lock<std::mutex> held(sink->hostLock);
    Log(*logger, 1, 0, "INFO: ", "needs the host lock");
    ASSERT_TRUE(WaitUntil([&] { return sink->waitingForHostLock.load() == 1; }));
    std::future<void> direct = RunDetached([=] { logger->Print(1, "direct line"); });
    const std::future_status status = direct.wait_for(std::chrono::seconds(10));
    held.unlock();
    ASSERT_EQ(status, std::future_status::ready) << "a direct line waits for the host procedure";
    ASSERT_TRUE(sink->host.WaitFor("direct line"));
    logger->Shutdown();
    delete logger;
    delete sink;
}

TEST(LoggerTest, ABurstIsBoundedCountedAndGivesItsMemoryBack)
{
    TestSink sink;
    sink.viewLevel = 0;
    Logger logger;
    ASSERT_TRUE(logger.Init(&sink, 2));
    ASSERT_TRUE(WaitUntil([&] { return logger.Running(); }));
    sink.CloseGate();
    Log(logger, 1, 3, "INFO: ", "first");
    ASSERT_TRUE(WaitUntil([&] { return sink.outputsWaiting.load() > 0; }));

    // Twice the lines the queue keeps, while the host holds the logger thread.
    const int messages = static_cast<int>(2 * Logger::kQueueTextLimit / 120);
    const std::string filler(100, 'x');
    for (int i = 0; i < messages; ++i) Log(logger, 1, 3, "ERR: ", filler + std::to_string(i) + ";");
    EXPECT_LE(logger.QueuedTextBytes(), Logger::kQueueTextLimit);
    const uint64_t dropped = logger.LinesDropped();
    EXPECT_GT(dropped, 0u);
    sink.OpenGate();

    // Every message arrives or is counted, and the counts reach the host.
    auto reported = [&] {
        uint64_t sum = 0;
        for (const std::string& line : sink.host.Lines()) {
            unsigned long long n = 0;
            if (std::sscanf(line.c_str(), "Logger: %llu log lines dropped", &n) == 1) sum += n;
        }
        return sum;
    };
    ASSERT_TRUE(WaitUntil([&] { return reported() == dropped; })) << reported() << " of " << dropped;
    // The drop report may come before the kept lines are all written (a slow host, wine).
    auto arrived = [&] {
        uint64_t count = 0;
        for (const std::string& write : sink.host.Lines()) {
            for (size_t at = write.find("ERR: x"); at != std::string::npos; at = write.find("ERR: x", at + 1)) ++count;
        }
        return count;
    };
    EXPECT_TRUE(WaitUntil([&] { return arrived() + dropped == static_cast<uint64_t>(messages); }))
        << arrived() << " arrived, " << dropped << " dropped of " << messages;

    // Written, the elements are back in the pool holding only their reserved capacity.
    ASSERT_TRUE(WaitUntil([&] { return logger.PoolSize() == 2; }));
    EXPECT_LE(logger.PoolTextCapacity(), 2 * Logger::kLineCapacity);
    EXPECT_EQ(logger.QueuedTextBytes(), 0u);
}
