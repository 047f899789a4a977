#pragma once
// One run's log file in the record folder, and its echo (the console's --verbose). Lines are
// taken at once from any thread; the file and the echo are each written, in order, by a thread
// of their own, so a stalled write (a full pipe nobody reads, a paused terminal, a hung network
// mount) costs lines of that one sink, never the run's time nor the other sink's lines. Each
// queue is bounded: lines that find it full are dropped, and the sink says how many.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "platform/record_folder.h"

namespace rlq {

inline constexpr std::size_t kKeptLogs = 20;
inline constexpr std::size_t kLogQueueLines = 4096;
// How long the end of the program waits for lines still queued before it leaves them.
inline constexpr std::chrono::milliseconds kLogDrainBound{2000};

using RecordFailure = std::function<void(const std::string& why)>;
using LogEcho = std::function<void(const std::string& line)>;

class LogFile {
  public:
    // Makes the run's file, named for `start`, and removes the oldest beyond kKeptLogs. `echo`,
    // where given, gets each stamped line with its line break, whether or not the file can be
    // written. `onFailure` is told once when the file cannot be made or written. Both run on a
    // writer thread and may outlive this object when a stalled write is left at the end, so
    // they must not refer to anything that ends before the process does.
    LogFile(platform::RecordFolder& folder, std::chrono::system_clock::time_point start,
            RecordFailure onFailure, LogEcho echo);
    // Waits for the queued lines at most kLogDrainBound, and leaves a write stalled past it.
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Stamps `text` with the milliseconds since the start and queues it; never waits on a write.
    void Line(const std::string& text);

  private:
    class Sink;
    const std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::unique_ptr<Sink> m_file;
    std::unique_ptr<Sink> m_echo;
};

}  // namespace rlq
