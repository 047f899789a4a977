#pragma once
// Files, packets and a progress recorder shared by the TFTP tests.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "common/big_endian.h"

namespace rlq::testing {

// A file on disk with the given bytes, removed when it goes. Test programs run side by side,
// every one with the same GoogleTest seed: the name takes a random tag of the program's own.
class DiskFile {
  public:
    explicit DiskFile(const std::vector<std::uint8_t>& content) {
        static const std::string program =
            std::to_string(std::random_device{}()) + "-" + std::to_string(std::random_device{}());
        static std::atomic<int> serial{0};
        m_path = std::filesystem::temp_directory_path() /
                 ("rlq-tftp-" + program + "-" + std::to_string(serial++) + ".bin");
        std::ofstream out(m_path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(content.data()),
                  static_cast<std::streamsize>(content.size()));
    }
    ~DiskFile() {
        std::error_code ignored;
        std::filesystem::remove(m_path, ignored);
    }
    DiskFile(const DiskFile&) = delete;
    DiskFile& operator=(const DiskFile&) = delete;

    std::string Path() const { return m_path.string(); }

  private:
    std::filesystem::path m_path;
};

inline std::vector<std::uint8_t> PatternBytes(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    }
    return bytes;
}

inline std::vector<std::uint8_t> AckPacket(std::uint16_t block) {
    std::vector<std::uint8_t> ack(4);
    WriteBe16(ack.data(), 4);
    WriteBe16(ack.data() + 2, block);
    return ack;
}

// Block number of a sent packet: 0 for the write request, n for data block n.
inline std::uint16_t BlockOf(const std::vector<std::uint8_t>& packet) {
    return ReadBe16(packet.data()) == 2 ? 0 : ReadBe16(packet.data() + 2);
}

class ProgressRecorder {
  public:
    static void Record(void* context, std::uint32_t count) {
        auto* self = static_cast<ProgressRecorder*>(context);
        std::lock_guard lock(self->m_mutex);
        self->m_counts.push_back(count);
    }
    std::vector<std::uint32_t> Counts() const {
        std::lock_guard lock(m_mutex);
        return m_counts;
    }

  private:
    mutable std::mutex m_mutex;
    std::vector<std::uint32_t> m_counts;
};

}  // namespace rlq::testing
