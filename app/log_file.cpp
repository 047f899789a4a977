#include "app/log_file.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "app/utc_time.h"

namespace rlq {
namespace {

constexpr char kLogPrefix[] = "run-";
constexpr char kLogSuffix[] = ".log";
constexpr int kLogNameTries = 9;
constexpr std::size_t kStampWidth = 7;

// "run-20261208T141003.123Z.log", and "-2" and so on for runs of the same millisecond.
std::string LogName(std::chrono::system_clock::time_point start, int attempt) {
    std::string name = kLogPrefix + CompactUtcMillis(start);
    if (attempt > 0) {
        name += '-';
        name += std::to_string(attempt + 1);
    }
    return name + kLogSuffix;
}

bool IsLogName(const std::string& name) {
    const std::string_view prefix = kLogPrefix;
    const std::string_view suffix = kLogSuffix;
    return name.size() > prefix.size() + suffix.size() && name.starts_with(prefix) &&
           name.ends_with(suffix);
}

void RemoveOldLogs(platform::RecordFolder& folder) {
    std::vector<std::string> logs = folder.Names();
    std::erase_if(logs, [](const std::string& name) { return !IsLogName(name); });
    if (logs.size() <= kKeptLogs) {
        return;
    }
    std::sort(logs.begin(), logs.end());
    for (std::size_t i = 0; i + kKeptLogs < logs.size(); ++i) {
        folder.Remove(logs[i]);
    }
}

std::string Stamped(std::chrono::steady_clock::time_point start, const std::string& text) {
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
    std::string stamp = std::to_string(millis);
    stamp.insert(0, stamp.size() < kStampWidth ? kStampWidth - stamp.size() : 0, ' ');
    return stamp + " " + text + "\n";
}

}  // namespace

// A bounded queue of lines and the thread that hands them to `write`. The queue is shared with
// the thread, which a stalled write may keep past the sink's end.
class LogFile::Sink {
  public:
    using Write = std::function<void(const std::string& line)>;

    Sink(Write write, std::chrono::steady_clock::time_point start)
        : m_queue(std::make_shared<Queue>()), m_start(start) {
        m_queue->write = std::move(write);
        m_thread = std::thread([queue = m_queue] { queue->Run(); });
    }

    ~Sink() {
        if (m_thread.joinable()) {
            Close(std::chrono::steady_clock::now() + kLogDrainBound);
        }
    }
    Sink(const Sink&) = delete;
    Sink& operator=(const Sink&) = delete;

    void Put(const std::string& line) {
        std::lock_guard held(m_queue->lock);
        if (m_queue->closing) {
            return;
        }
        if (m_queue->lines.size() >= kLogQueueLines) {
            ++m_queue->dropped;
            return;
        }
        QueueDroppedNote();
        m_queue->lines.push_back(line);
        m_queue->wake.notify_one();
    }

    // Ends the queue and waits for the thread until `deadline`; a thread still writing then is
    // left to end by itself, with the queue it shares.
    void Close(std::chrono::steady_clock::time_point deadline) {
        std::unique_lock held(m_queue->lock);
        QueueDroppedNote();
        m_queue->closing = true;
        m_queue->wake.notify_all();
        if (!m_queue->drained.wait_until(held, deadline, [this] { return m_queue->done; })) {
            m_thread.detach();
            return;
        }
        held.unlock();
        m_thread.join();
    }

  private:
    struct Queue {
        std::mutex lock;
        std::condition_variable wake;     // a line was queued, or the end came
        std::condition_variable drained;  // the thread ended
        std::deque<std::string> lines;
        std::size_t dropped = 0;
        bool closing = false;
        bool done = false;
        Write write;

        void Run() {
            std::unique_lock held(lock);
            for (;;) {
                wake.wait(held, [this] { return !lines.empty() || closing; });
                if (lines.empty()) {
                    break;
                }
                const std::string line = std::move(lines.front());
                lines.pop_front();
                held.unlock();
                write(line);
                held.lock();
            }
            done = true;
            drained.notify_all();
        }
    };

    // Under the lock: what was dropped is said before the next line, or at the end.
    void QueueDroppedNote() {
        if (m_queue->dropped > 0) {
            m_queue->lines.push_back(Stamped(m_start, "log-dropped " +
                                                          std::to_string(m_queue->dropped) +
                                                          " lines: the log could not keep up"));
            m_queue->dropped = 0;
        }
    }

    std::shared_ptr<Queue> m_queue;
    const std::chrono::steady_clock::time_point m_start;
    std::thread m_thread;
};

LogFile::LogFile(platform::RecordFolder& folder, std::chrono::system_clock::time_point start,
                 RecordFailure onFailure, LogEcho echo) {
    std::string why;
    std::unique_ptr<platform::RecordFile> file;
    for (int attempt = 0; attempt < kLogNameTries && !file; ++attempt) {
        file = folder.CreateNew(LogName(start, attempt), why);
    }
    try {
        if (echo) {
            m_echo = std::make_unique<Sink>(std::move(echo), m_start);
        }
        if (file) {
            RemoveOldLogs(folder);
            std::shared_ptr<platform::RecordFile> written = std::move(file);
            m_file = std::make_unique<Sink>(
                [written, onFailure](const std::string& line) mutable {
                    if (written && !written->Append(line)) {
                        written.reset();  // one report, then no more tries
                        onFailure("the run log could not be written");
                    }
                },
                m_start);
        }
    } catch (const std::system_error&) {
        // No thread: the run goes on with what could be started.
    }
    if (!m_file) {
        onFailure(why.empty() ? std::string("the run log's writer could not be started") : why);
    }
    Line(m_file ? "log of the run started " + IsoUtc(start) + " in " + folder.Path()
                : "no log file: " + why);
}

LogFile::~LogFile() {
    const auto deadline = std::chrono::steady_clock::now() + kLogDrainBound;
    for (Sink* sink : {m_file.get(), m_echo.get()}) {
        if (sink != nullptr) {
            sink->Close(deadline);
        }
    }
}

void LogFile::Line(const std::string& text) {
    if (!m_file && !m_echo) {
        return;
    }
    const std::string line = Stamped(m_start, text);
    for (Sink* sink : {m_file.get(), m_echo.get()}) {
        if (sink != nullptr) {
            sink->Put(line);
        }
    }
}

}  // namespace rlq
