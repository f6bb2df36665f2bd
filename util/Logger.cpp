#include "util/Logger.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "platform/Platform.h"
#include "sdk/MvStatus.h"

namespace Util_2_1 {

// ---- LogElement -------------------------------------------------------------------------

Logger::LogElement::LogElement(Counter* counter) : counter(counter)
{
    text.reserve(kLineCapacity);
    if (counter == nullptr) return;
    const int32_t old = counter->current.fetch_add(1);
    int32_t peak = counter->peak.load();
    while (old > peak && !counter->peak.compare_exchange_weak(peak, old)) {
    }
}

Logger::LogElement::~LogElement()
{
    if (counter != nullptr) counter->current.fetch_sub(1);
}

// ---- Logger -----------------------------------------------------------------------------

namespace {

// Polls try_lock rather than using a timed mutex: the sanitizers follow try_lock, and the
// path is taken only during shut-down.
bool TryLockWithin(std::unique_lock<std::mutex>& lock, uint32_t limitMs)
{
    const uint64_t deadline = Platform::TickCountMs() + limitMs;
    while (!lock.try_lock()) {
        if (Platform::TickCountMs() >= deadline) return false;
        Platform::SleepMs(1);
    }
    return true;
}

// Runs the logger's shut-down at process exit without freeing it (see Logger::Instance).
struct LoggerShutdownAtExit {
    Logger* logger;
    ~LoggerShutdownAtExit() { logger->Shutdown(); }
};

}  // namespace

Logger& Logger::Instance()
{
    static Logger* const instance = new Logger();
    static LoggerShutdownAtExit shutdownAtExit{instance};
    return *instance;
}

Logger::Logger() = default;

Logger::~Logger()
{
    Shutdown();
}

Logger::ElementPtr Logger::NewElement()
{
    return std::make_shared<LogElement>(&counter);
}

bool Logger::IsEnabled(int level)
{
    if (DebugInterface* dbg = _dbgInterface.load(std::memory_order_acquire)) {
        cachedHostLevel.store(dbg->GetLogLevel(), std::memory_order_relaxed);
        cachedViewLevel.store(dbg->GetDebugViewLevel(), std::memory_order_relaxed);
    }
    return level <= cachedHostLevel.load(std::memory_order_relaxed) ||
           level <= cachedViewLevel.load(std::memory_order_relaxed);
}

Logger::ElementPtr Logger::Acquire()
{
    if (!running.load() || closing.load()) return NewElement();
    {
        std::lock_guard<std::mutex> lock(queueLock);
        if (!pool.empty()) {
            ElementPtr element = std::move(pool.back());
            pool.pop_back();
            return element;
        }
        if (!queue.empty()) {
            // Out of elements: the new message is appended to the newest unwritten one, so a
            // burst never grows the queue.
            ElementPtr element = std::move(queue.back());
            queue.pop_back();
            return element;
        }
    }
    ElementPtr element = NewElement();
    Print(1, "Logger: No pre-allocated strings found\n");
    return element;
}

void Logger::Post(ElementPtr element)
{
    if (!element) return;
    if (!running.load() || closing.load()) {
        Print(element->level, element->text.c_str());
        return;
    }
    {
        std::lock_guard<std::mutex> lock(queueLock);
        queue.push_back(std::move(element));
    }
    if (wakeEvent) wakeEvent->Set();
}

void Logger::Print(int level, const char* text)
{
    DebugInterface* dbg = _dbgInterface.load(std::memory_order_acquire);
    if (dbg == nullptr) {
        std::unique_lock<std::mutex> lock;
        if (!LockForPrint(lock)) return;
        Platform::DebugOutput("Logger::Print: _dbgInterface==null, no init?\n");
        Platform::DebugOutput(text != nullptr ? text : "");
        return;
    }
    if (!IsEnabled(level)) return;
    auto writeToView = [dbg](const char* line) {
        if (dbg->UseStdOut()) {
            std::fputs(line, stdout);
            std::fflush(stdout);
        } else {
            Platform::DebugOutput(line);
        }
    };
    if (text == nullptr || text[0] == '\0') {
        std::unique_lock<std::mutex> lock;
        if (!LockForPrint(lock)) return;
        writeToView("Logger::Print: string==null\n");
        return;
    }
    std::unique_lock<std::mutex> lock;
    if (!LockForPrint(lock)) return;
    // An element can hold several lines joined during a burst. They are written together while
    // they fit the line buffer; beyond that they go out in further writes of whole lines
    // instead of being cut off. A single line longer than the buffer is cut (and then has no
    // final newline).
    const char* next = text;
    const char* const end = text + std::strlen(text);
    while (next < end) {
        const char* chunkEnd = next;
        while (chunkEnd < end) {
            const void* newline = std::memchr(chunkEnd, '\n', static_cast<size_t>(end - chunkEnd));
            const char* lineEnd = newline != nullptr ? static_cast<const char*>(newline) + 1 : end;
            if (chunkEnd != next && static_cast<size_t>(lineEnd - next) >= sizeof lineBuffer) break;
            chunkEnd = lineEnd;
        }
        size_t length = static_cast<size_t>(chunkEnd - next);
        if (next[length - 1] == '\n') --length;
        std::snprintf(lineBuffer, sizeof lineBuffer, "%.*s\n", static_cast<int>(length), next);
        if (level <= cachedViewLevel.load(std::memory_order_relaxed)) writeToView(lineBuffer);
        if (level <= dbg->GetLogLevel()) dbg->Output(lineBuffer);
        next = chunkEnd;
    }
}

bool Logger::Init(DebugInterface* dbg, int count)
{
    _dbgInterface.store(dbg, std::memory_order_release);
    // Closing is tested first: after shut-down the thread is gone even though `running` stays
    // set, and a start must not be reported as done.
    if (closing.load()) {
        Print(1, "Logger: init attempt while closing");
        return false;
    }
    if (running.load()) {
        Print(1, "Logger: init attempt twice");
        return true;
    }
    try {
        Print(2, "Logger: init starting");
        {
            std::lock_guard<std::mutex> lock(queueLock);
            pool.clear();
            queue.clear();
            for (int i = 0; i < count; ++i) pool.push_back(NewElement());
        }
        char text[128];
        std::snprintf(text, sizeof text, "Logger: %d LogElements", static_cast<int>(counter.current.load()));
        Print(3, text);

        if (!wakeEvent) {
            auto event = std::make_unique<Platform::Event>(Platform::Event::Mode::AutoReset, false);
            if (!event->Valid()) return false;
            wakeEvent = std::move(event);
        }
        wakeEvent->Reset();

        if (thread) return true;
        auto newThread = std::make_unique<Platform::Thread>();
        if (!newThread->Start(&Logger::ThreadMain, this)) {
            Print(3, "Logger: failed to initialize Logger thread");
            return false;
        }
        thread = std::move(newThread);
        Print(2, "Logger: thread created ");
        return true;
    } catch (...) {
        Print(1, "Logger: initialization exception");
        return false;
    }
}

bool Logger::LockForPrint(std::unique_lock<std::mutex>& lock)
{
    lock = std::unique_lock<std::mutex>(printLock, std::defer_lock);
    if (!closing.load()) {
        lock.lock();
        return true;
    }
    return TryLockWithin(lock, 200);
}

int Logger::ThreadMain(void* arg)
{
    if (arg == nullptr) return -1;
    return static_cast<Logger*>(arg)->Run();
}

int Logger::Run()
{
    Print(2, "Logger: thread entering.");
    running.store(true);
    while (!closing.load()) {
        bool queueEmpty;
        {
            std::lock_guard<std::mutex> lock(queueLock);
            queueEmpty = queue.empty();
        }
        if (closing.load()) break;
        if (queueEmpty) {
            wakeEvent->Wait(500);
            wakeEvent->Reset();
        } else {
            Platform::SleepMs(1);
        }
        if (closing.load()) break;
        ElementPtr element;
        {
            std::lock_guard<std::mutex> lock(queueLock);
            if (queue.empty()) continue;
            element = std::move(queue.front());
            queue.pop_front();
        }
        Print(element->level, element->text.c_str());
        element->text.clear();  // keeps the reserved capacity for the next message
        {
            std::lock_guard<std::mutex> lock(queueLock);
            pool.push_back(std::move(element));
        }
    }
    Print(2, "Logger: thread leaving");
    return 0;
}

void Logger::Shutdown()
{
    if (closing.exchange(true)) return;
    Print(3, "Logger: dtor");
    if (thread) {
        if (wakeEvent) wakeEvent->Set();
        if (!thread->Join(1000)) thread->Terminate(255);
        thread.reset();
    }
    // The event stays allocated: a Post that checked `closing` just before it was set may still
    // be about to signal it. Elements still queued are dropped, not written: at process exit
    // the host's procedure may wait on a lock of a thread the system has already ended.
    {
        std::unique_lock<std::mutex> lock(queueLock, std::defer_lock);
        if (TryLockWithin(lock, 200)) {
            queue.clear();
            pool.clear();
        }
    }
    char text[128];
    std::snprintf(text, sizeof text, "Logger: LogElements: %d current, %d total",
                  static_cast<int>(counter.current.load()), static_cast<int>(counter.peak.load()));
    Print(3, text);
}

size_t Logger::PoolSize()
{
    std::lock_guard<std::mutex> lock(queueLock);
    return pool.size();
}

size_t Logger::QueueSize()
{
    std::lock_guard<std::mutex> lock(queueLock);
    return queue.size();
}

// ---- LogLine ----------------------------------------------------------------------------

namespace {
// Numbers go through a fixed scratch buffer, truncating, so formatting never allocates.
constexpr size_t kScratch = 128;
}  // namespace

LogLine& LogLine::Prefix(int port)
{
    if (port < 0) {
        text += "###: ";
        return *this;
    }
    text += '#';
    *this << static_cast<int32_t>(port);
    text += ": ";
    return *this;
}

LogLine& LogLine::operator<<(const char* piece)
{
    if (piece != nullptr) text += piece;
    return *this;
}

LogLine& LogLine::operator<<(const std::string& piece)
{
    text += piece;
    return *this;
}

LogLine& LogLine::operator<<(int32_t value)
{
    char scratch[kScratch];
    std::snprintf(scratch, sizeof scratch, "%d", static_cast<int>(value));
    text += scratch;
    return *this;
}

LogLine& LogLine::operator<<(uint32_t value)
{
    char scratch[kScratch];
    std::snprintf(scratch, sizeof scratch, "%u", static_cast<unsigned>(value));
    text += scratch;
    return *this;
}

LogLine& LogLine::operator<<(int64_t value)
{
    char scratch[kScratch];
    std::snprintf(scratch, sizeof scratch, "%" PRId64, value);
    text += scratch;
    return *this;
}

LogLine& LogLine::operator<<(Hex value)
{
    char scratch[kScratch];
    std::snprintf(scratch, sizeof scratch, "0x%x", static_cast<unsigned>(value.value));
    text += scratch;
    return *this;
}

LogLine& LogLine::operator<<(double value)
{
    char scratch[kScratch];
    std::snprintf(scratch, sizeof scratch, "%f", value);
    text += scratch;
    return *this;
}

LogLine& LogLine::operator<<(const MvStatus& status)
{
    text += " /rc=";
    text += status.Text();
    return *this;
}

}  // namespace Util_2_1
