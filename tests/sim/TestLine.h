#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace veltra::sim::testing {

// The tool's end of a virtual module's line, as a test drives it: the slave
// opened raw, 8N1, at any rate.
class TestLine {
public:
    TestLine(const std::string& path, std::uint32_t rate);
    ~TestLine();
    TestLine(const TestLine&) = delete;
    TestLine& operator=(const TestLine&) = delete;

    void SetRate(std::uint32_t rate);
    void Write(std::string_view bytes);
    // Reads until `count` bytes have arrived or `limit` has passed; returns what came.
    std::string Read(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(10));
    // What has arrived and not been read, without waiting.
    std::string Pending();
    // How many separate reads have returned data so far.
    std::size_t Chunks() const { return chunks_; }
    // Waits until the module hangs up; false when `limit` passed first.
    bool WaitForHangUp(std::chrono::milliseconds limit);

private:
    int fd_ = -1;
    std::size_t chunks_ = 0;
};

}  // namespace veltra::sim::testing
