// The driver's buffered logger: lines are composed on the calling thread into recycled
// elements, queued, and written by one background thread to the debug view and to the
// host's debug procedure, each sink with its own level threshold.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Platform {
class Event;
class Thread;
}  // namespace Platform

class MvStatus;

namespace Util_2_1 {

// Port of every line that concerns no particular camera.
constexpr int kGlobalLogPort = 99;

class Logger {
public:
    class DebugInterface {
    public:
        virtual ~DebugInterface() = default;
        virtual int GetLogLevel() = 0;        // threshold of the host sink
        virtual int GetDebugViewLevel() = 0;  // threshold of the debug-view sink
        virtual bool UseStdOut() = 0;
        virtual void Output(const char* line) = 0;  // hand one finished line to the host
    };

    struct Counter {
        std::atomic<int32_t> current{0};
        std::atomic<int32_t> peak{0};
    };

    struct LogElement {
        explicit LogElement(Counter* counter);
        ~LogElement();
        LogElement(const LogElement&) = delete;
        LogElement& operator=(const LogElement&) = delete;

        // Lines joined into the element ahead of the newest message keep their own level:
        // each segment runs from the end of the one before it (or the start) to `end`.
        struct Segment {
            size_t end;
            int32_t level;
        };

        int32_t level = 0;  // of the newest message, the text after the last segment
        std::string text;
        std::vector<Segment> earlier;
        Counter* counter;
    };
    using ElementPtr = std::shared_ptr<LogElement>;

    static constexpr size_t kLineCapacity = 256;
    // The most text the queue holds once messages are joined into its elements (the pool has
    // run dry); a message joined beyond it is dropped and counted.
    static constexpr size_t kQueueTextLimit = 16384 * kLineCapacity;
    // The most text of direct lines waiting for the thread that is writing to the sinks.
    static constexpr size_t kPendingLimit = 64 * kLineCapacity;

    // The process-wide logger, created on first use. Its shut-down runs at process exit; the
    // object itself is never freed, so a thread that logs during exit falls back to direct
    // writes instead of touching freed memory.
    static Logger& Instance();

    Logger();
    ~Logger();
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    bool IsEnabled(int level);
    ElementPtr Acquire();
    void Post(ElementPtr element);
    void Print(int level, const char* text);
    bool Init(DebugInterface* dbg, int count);
    // Stop the thread and fall back to direct writes; what the destructor does.
    void Shutdown();

    // Observers for diagnostics and tests.
    int32_t ElementsAlive() const { return counter.current.load(); }
    int32_t ElementsPeak() const { return counter.peak.load(); }
    size_t PoolSize();
    size_t QueueSize();
    size_t QueuedTextBytes();                                      // text held by queued elements
    size_t PoolTextCapacity();                                     // memory the free elements keep for their texts
    uint64_t LinesDropped() const { return droppedTotal.load(); }  // since construction
    bool Running() const { return running.load(); }

private:
    struct PendingLines {
        int32_t level;
        std::string text;
    };

    static int ThreadMain(void* arg);
    int Run();
    ElementPtr NewElement();
    // Takes `lock`; after shut-down has begun it gives up after a while instead.
    bool LockOrGiveUp(std::unique_lock<std::mutex>& lock);
    // Calls out(level, text, length) for each run of neighbouring lines of one level.
    template <typename Out>
    static void ForEachRun(const LogElement& element, Out out);
    // Writes the lines of an element, each segment at its own level.
    void Write(const LogElement& element);
    void PrintRange(int level, const char* text, size_t length);
    // Hands lines to the sinks, or leaves them to the thread that is writing at the moment.
    void Deliver(DebugInterface* dbg, int level, const char* text, size_t length);
    // Makes the calling thread the one that writes to the sinks; false when another is.
    bool BeginWriting();
    // Writes the lines left meanwhile, then lets the next writer in.
    void EndWriting(DebugInterface* dbg);
    void WriteToSinks(DebugInterface* dbg, int level, const char* text, size_t length);
    void CountDropped(uint64_t lines);
    // One direct line with the number of lines dropped since the last such line.
    void ReportDropped();

    // After shut-down has begun these are taken with a time limit (TryLockWithin), so that
    // process exit never waits for ever on a lock whose holder the system has already ended
    // (Windows ends every other thread before that point).
    std::mutex queueLock;
    // Keeps the two writes of a line logged before Init together; no host code runs under it.
    std::mutex printLock;
    // Guards sinkBusy and pending. Never held while a sink is called: the host's procedure may
    // call an export that logs, on this thread or another, and must find no lock of ours held.
    std::mutex sinkLock;
    bool sinkBusy = false;  // a thread is writing to the sinks
    std::deque<PendingLines> pending;
    size_t pendingBytes = 0;
    std::unique_ptr<Platform::Thread> thread;
    std::unique_ptr<Platform::Event> wakeEvent;
    std::deque<ElementPtr> pool;
    std::deque<ElementPtr> queue;
    size_t queuedBytes = 0;  // text of the queued elements and of those taken out to join
    std::atomic<DebugInterface*> _dbgInterface{nullptr};
    Counter counter;
    size_t poolLimit = 0;  // the elements made by Init; the pool never keeps more
    std::atomic<uint64_t> droppedTotal{0};
    std::atomic<uint64_t> droppedUnreported{0};
    std::atomic<uint64_t> lastDropReportMs{0};

    // Read on every log statement from any thread; relaxed atomics keep that one cheap load.
    std::atomic<bool> running{false};
    std::atomic<bool> closing{false};
    std::atomic<int> cachedHostLevel{1};
    std::atomic<int> cachedViewLevel{1};
};

// Builds one log line piece by piece into an element's text.
class LogLine {
public:
    struct Hex {
        uint32_t value;
    };

    explicit LogLine(std::string& text) : text(text) {}

    LogLine& Prefix(int port);
    LogLine& operator<<(const char* piece);
    LogLine& operator<<(const std::string& piece);
    LogLine& operator<<(int32_t value);
    LogLine& operator<<(uint32_t value);
    LogLine& operator<<(int64_t value);
    LogLine& operator<<(Hex value);
    LogLine& operator<<(double value);
    LogLine& operator<<(float value) { return *this << static_cast<double>(value); }
    LogLine& operator<<(bool value) { return *this << static_cast<int32_t>(value ? 1 : 0); }
    LogLine& operator<<(const MvStatus& status);  // " /rc=" and the status text

private:
    std::string& text;
};

}  // namespace Util_2_1

// The log statement: the level test comes first, so a disabled level composes nothing.
// `message` is a chain of pieces: ORNIC_LOG1_ERR(port, "Tag", "text " << value);
#define ORNIC_LOG(port, lvl, word, tag, message)                                   \
    do {                                                                           \
        ::Util_2_1::Logger& ornicLogger_ = ::Util_2_1::Logger::Instance();         \
        if (ornicLogger_.IsEnabled(lvl)) {                                         \
            ::Util_2_1::Logger::ElementPtr ornicElement_ = ornicLogger_.Acquire(); \
            ornicElement_->level = (lvl);                                          \
            ::Util_2_1::LogLine ornicLine_(ornicElement_->text);                   \
            ornicLine_.Prefix(port) << word << message << " {" << tag << "}\n";    \
            ornicLogger_.Post(std::move(ornicElement_));                           \
        }                                                                          \
    } while (0)

// The digit in each name is the level: 1 errors and main events, 2 information and
// warnings, 3 trace.
#define ORNIC_LOG1_ERR(port, tag, message) ORNIC_LOG(port, 1, "ERR: ", tag, message)
#define ORNIC_LOG1_INFO(port, tag, message) ORNIC_LOG(port, 1, "INFO: ", tag, message)
#define ORNIC_LOG2_INFO(port, tag, message) ORNIC_LOG(port, 2, "Info: ", tag, message)
#define ORNIC_LOG2_WARN(port, tag, message) ORNIC_LOG(port, 2, "Warning: ", tag, message)
#define ORNIC_LOG3_TRACE(port, tag, message) ORNIC_LOG(port, 3, "trace: ", tag, message)
