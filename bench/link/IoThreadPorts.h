#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace veltra::bench {

// The other way the tool could watch its ports, kept here to be measured
// against the one it uses: one I/O thread polls every port and a wake-up
// descriptor and reads what comes; the chunks reach the owner's thread
// through a queue and an eventfd the owner watches. Only what the benchmark
// needs: open, write, and a handler for received bytes.
class IoThreadPorts {
public:
    using Handler = std::function<void(int port, const char* data, size_t count)>;

    IoThreadPorts(const std::vector<std::string>& paths, uint32_t baud, Handler handler);
    ~IoThreadPorts();

    void Write(int port, const std::string& bytes);

private:
    void Run();
    void TakeQueued();

    struct Chunk {
        int port;
        std::string bytes;
    };
    std::vector<int> fds_;
    Handler handler_;
    int stop_ = -1;     // eventfd: ends the I/O thread
    int arrived_ = -1;  // eventfd: chunks are queued for the owner
    std::unique_ptr<QSocketNotifier> notifier_;
    std::mutex mutex_;
    std::deque<Chunk> queue_;
    std::thread thread_;
};

}  // namespace veltra::bench
