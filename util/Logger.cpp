#include "util/Logger.h"

#include <algorithm>
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
            // burst never grows the queue. The lines already in it keep their level.
            ElementPtr element = std::move(queue.back());
            queue.pop_back();
            queuedBytes -= element->text.size();
            std::vector<LogElement::Segment>& earlier = element->earlier;
            if (!earlier.empty() && earlier.back().level == element->level) {
                earlier.back().end = element->text.size();
            } else {
                earlier.push_back({element->text.size(), element->level});
            }
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
        Write(*element);
        return;
    }
    bool dropped = false;
    {
        std::lock_guard<std::mutex> lock(queueLock);
        if (!element->earlier.empty() && queuedBytes + element->text.size() > kQueueTextLimit) {
            // The queue is full: the newest joined message goes, the lines before it stay.
            const LogElement::Segment last = element->earlier.back();
            element->text.resize(last.end);
            element->level = last.level;
            dropped = true;
        }
        queuedBytes += element->text.size();
        queue.push_back(std::move(element));
    }
    if (dropped) CountDropped(1);
    if (wakeEvent) wakeEvent->Set();
}

void Logger::Print(int level, const char* text)
{
    DebugInterface* dbg = _dbgInterface.load(std::memory_order_acquire);
    if (dbg == nullptr) {
        std::unique_lock<std::mutex> lock(printLock, std::defer_lock);
        if (!LockOrGiveUp(lock)) return;
        Platform::DebugOutput("Logger::Print: _dbgInterface==null, no init?\n");
        Platform::DebugOutput(text != nullptr ? text : "");
        return;
    }
    if (!IsEnabled(level)) return;
    if (text == nullptr || text[0] == '\0') {
        if (dbg->UseStdOut()) {
            std::fputs("Logger::Print: string==null\n", stdout);
            std::fflush(stdout);
        } else {
            Platform::DebugOutput("Logger::Print: string==null\n");
        }
        return;
    }
    Deliver(dbg, level, text, std::strlen(text));
}

void Logger::PrintRange(int level, const char* text, size_t length)
{
    if (length == 0) return;
    DebugInterface* dbg = _dbgInterface.load(std::memory_order_acquire);
    if (dbg == nullptr) {
        Print(level, std::string(text, length).c_str());
        return;
    }
    if (!IsEnabled(level)) return;
    Deliver(dbg, level, text, length);
}

template <typename Out>
void Logger::ForEachRun(const LogElement& element, Out out)
{
    const char* text = element.text.c_str();
    size_t begin = 0;
    size_t end = 0;
    int32_t level = element.earlier.empty() ? element.level : element.earlier.front().level;
    auto add = [&](size_t segmentEnd, int32_t segmentLevel) {
        if (segmentLevel != level) {
            out(level, text + begin, end - begin);
            begin = end;
            level = segmentLevel;
        }
        end = segmentEnd;
    };
    for (const LogElement::Segment& segment : element.earlier) add(segment.end, segment.level);
    add(element.text.size(), element.level);
    out(level, text + begin, end - begin);
}

void Logger::Write(const LogElement& element)
{
    if (element.earlier.empty()) {
        Print(element.level, element.text.c_str());
        return;
    }
    ForEachRun(element, [this](int level, const char* text, size_t length) { PrintRange(level, text, length); });
}

void Logger::Deliver(DebugInterface* dbg, int level, const char* text, size_t length)
{
    if (!BeginWriting()) {
        // Another call is writing (on another thread, or further up this thread's stack,
        // inside the host's procedure). Waiting for it could deadlock; it takes these lines
        // before it finishes.
        std::unique_lock<std::mutex> lock(sinkLock, std::defer_lock);
        if (!LockOrGiveUp(lock)) return;
        bool kept = false;
        if (pendingBytes + length <= kPendingLimit) {
            try {
                pending.push_back({level, std::string(text, length)});
                pendingBytes += length;
                kept = true;
            } catch (...) {
            }
        }
        lock.unlock();
        if (!kept) CountDropped(static_cast<uint64_t>(std::count(text, text + length, '\n')) + 1);
        return;
    }
    WriteToSinks(dbg, level, text, length);
    EndWriting(dbg);
    // Without the logger thread nobody else reports what the pending lines lost.
    if ((!running.load() || closing.load()) && droppedUnreported.load() > 0) ReportDropped();
}

bool Logger::BeginWriting()
{
    std::unique_lock<std::mutex> lock(sinkLock, std::defer_lock);
    if (!LockOrGiveUp(lock) || sinkBusy) return false;
    sinkBusy = true;
    return true;
}

void Logger::EndWriting(DebugInterface* dbg)
{
    for (;;) {
        PendingLines next;
        {
            std::unique_lock<std::mutex> lock(sinkLock, std::defer_lock);
            if (!LockOrGiveUp(lock)) return;
            if (pending.empty()) {
                sinkBusy = false;
                return;
            }
            next = std::move(pending.front());
            pending.pop_front();
            pendingBytes -= next.text.size();
        }
        if (DebugInterface* current = _dbgInterface.load(std::memory_order_acquire)) dbg = current;
        WriteToSinks(dbg, next.level, next.text.c_str(), next.text.size());
    }
}

void Logger::WriteToSinks(DebugInterface* dbg, int level, const char* text, size_t length)
{
    // Lines joined in one element are written together while they fit a line buffer; beyond
    // that they go out in further writes of whole lines instead of being cut off. A single
    // line longer than the buffer is cut (and then has no final newline).
    const char* next = text;
    const char* const end = text + length;
    while (next < end) {
        const char* chunkEnd = next;
        while (chunkEnd < end) {
            const void* newline = std::memchr(chunkEnd, '\n', static_cast<size_t>(end - chunkEnd));
            const char* lineEnd = newline != nullptr ? static_cast<const char*>(newline) + 1 : end;
            if (chunkEnd != next && static_cast<size_t>(lineEnd - next) >= kLineCapacity) break;
            chunkEnd = lineEnd;
        }
        size_t chunkLength = static_cast<size_t>(chunkEnd - next);
        if (next[chunkLength - 1] == '\n') --chunkLength;
        char line[kLineCapacity];
        std::snprintf(line, sizeof line, "%.*s\n", static_cast<int>(chunkLength), next);
        // Nothing a sink throws may leave the writer's mark set.
        try {
            if (level <= cachedViewLevel.load(std::memory_order_relaxed)) {
                if (dbg->UseStdOut()) {
                    std::fputs(line, stdout);
                    std::fflush(stdout);
                } else {
                    Platform::DebugOutput(line);
                }
            }
            if (level <= dbg->GetLogLevel()) dbg->Output(line);
        } catch (...) {
        }
        next = chunkEnd;
    }
}

void Logger::CountDropped(uint64_t lines)
{
    droppedTotal.fetch_add(lines);
    // The first loss after a report starts the second that a flood waits for its count.
    if (droppedUnreported.fetch_add(lines) == 0) lastDropReportMs.store(Platform::TickCountMs());
}

void Logger::ReportDropped()
{
    const uint64_t lines = droppedUnreported.exchange(0);
    if (lines == 0) return;
    char text[96];
    std::snprintf(text, sizeof text, "Logger: %llu log lines dropped, the log buffer was full",
                  static_cast<unsigned long long>(lines));
    Print(1, text);
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
            queuedBytes = 0;
            poolLimit = count > 0 ? static_cast<size_t>(count) : 0;
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

bool Logger::LockOrGiveUp(std::unique_lock<std::mutex>& lock)
{
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
            // A burst is over: say what it lost.
            if (droppedUnreported.load() > 0) ReportDropped();
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
            queuedBytes -= element->text.size();
        }
        DebugInterface* dbg = _dbgInterface.load(std::memory_order_acquire);
        if (dbg == nullptr) {
            Write(*element);
        } else if (BeginWriting()) {
            ForEachRun(*element, [this, dbg](int level, const char* text, size_t length) {
                if (length > 0 && IsEnabled(level)) WriteToSinks(dbg, level, text, length);
            });
            EndWriting(dbg);
        } else {
            // A direct line is being written on another thread: this element waits for the
            // next pass rather than for that thread.
            std::lock_guard<std::mutex> lock(queueLock);
            queuedBytes += element->text.size();
            queue.push_front(std::move(element));
            continue;
        }
        // A joined element gives its memory back; a plain one keeps the reserved capacity.
        if (element->text.capacity() > kLineCapacity) {
            std::string fresh;
            fresh.reserve(kLineCapacity);
            element->text.swap(fresh);
        } else {
            element->text.clear();
        }
        std::vector<LogElement::Segment>().swap(element->earlier);
        {
            std::lock_guard<std::mutex> lock(queueLock);
            // Elements made when the pool had run dry are not kept beyond what Init made.
            if (pool.size() < poolLimit) pool.push_back(std::move(element));
        }
        element.reset();
        // During a flood that never lets the queue drain, a count once a second.
        if (droppedUnreported.load() > 0 && Platform::TickCountMs() - lastDropReportMs.load() >= 1000) {
            ReportDropped();
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
            queuedBytes = 0;
            pool.clear();
        }
    }
    ReportDropped();
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

size_t Logger::QueuedTextBytes()
{
    std::lock_guard<std::mutex> lock(queueLock);
    return queuedBytes;
}

size_t Logger::PoolTextCapacity()
{
    std::lock_guard<std::mutex> lock(queueLock);
    size_t bytes = 0;
    for (const ElementPtr& element : pool) bytes += element->text.capacity();
    return bytes;
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
