// Collects log lines delivered on another thread and lets a test wait for them.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

class LineCollector {
public:
    void Add(const char* line)
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            lines.emplace_back(line != nullptr ? line : "");
        }
        changed.notify_all();
    }

    std::vector<std::string> Lines()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return lines;
    }

    void Clear()
    {
        std::lock_guard<std::mutex> lock(mutex);
        lines.clear();
    }

    // Lines holding `text` seen so far.
    size_t Count(const std::string& text)
    {
        std::lock_guard<std::mutex> lock(mutex);
        size_t n = 0;
        for (const std::string& line : lines) {
            if (line.find(text) != std::string::npos) ++n;
        }
        return n;
    }

    // Waits until at least `count` lines hold `text`; the generous limit only catches hangs.
    bool WaitFor(const std::string& text, size_t count = 1, std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, limit, [&] {
            size_t n = 0;
            for (const std::string& line : lines) {
                if (line.find(text) != std::string::npos) ++n;
            }
            return n >= count;
        });
    }

    // The first line holding `text`, or empty.
    std::string Find(const std::string& text)
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (const std::string& line : lines) {
            if (line.find(text) != std::string::npos) return line;
        }
        return {};
    }

private:
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> lines;
};
