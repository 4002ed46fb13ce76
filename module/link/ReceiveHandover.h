#pragma once

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace veltra {

// One channel's side of the hand-over: its reader waits here for the owner, and
// once released it stops waiting, and a chunk it had queued but the owner had
// not yet started is withdrawn.
struct HandoverGate {
    std::atomic<bool> released{false};
    std::condition_variable* waiting = nullptr;  // the reader's wait, under the hand-over's mutex
};

// The module-wide receive lock and the synchronous hand-over of received chunks
// to the owner's thread (the thread that creates this object: the sheet's GUI
// thread).
//
// A reader thread calls Deliver(): under the module-wide mutex it queues its
// chunk for the owner and waits until the owner's handler has run, so the
// channel's receive buffer is not refilled before it has been consumed. The
// owner handles one chunk at a time across all ports: a chunk whose wake-up
// arrives while a handler runs (a handler may spin a nested event loop) waits
// until that handler has returned. Readers do not queue behind one another, so
// the owner takes chunk after chunk without a thread switch in between.
//
// A blocking cross-thread call whose target waits for the caller hangs for good,
// so whoever waits for a reader thread first calls Release() on its gate.
//
// Calls posted with Post() (channel events) run in order on the owner's thread,
// also while a handler runs a nested event loop.
//
// The object must outlive every channel that delivers through it, and stay on
// the thread that created it.
class ReceiveHandover : public QObject {
    Q_OBJECT

public:
    explicit ReceiveHandover(QObject* parent = nullptr);
    ~ReceiveHandover() override;

    ReceiveHandover(const ReceiveHandover&) = delete;
    ReceiveHandover& operator=(const ReceiveHandover&) = delete;

    bool IsOwnerThread() const;

    // From a reader thread. `take` runs on the owner's thread while the module
    // mutex is held (it copies the chunk into the channel's buffer), then `handle`
    // runs there without it (the owner's handler, which may close channels or run
    // a nested event loop). Returns true when both ran, false when `gate` was
    // released first. Called on the owner's thread itself, both simply run.
    bool Deliver(HandoverGate& gate, const std::function<void()>& take, const std::function<void()>& handle);

    // Releases a reader waiting in Deliver() on this gate; idempotent.
    void Release(HandoverGate& gate);

    // Runs `work` later on the owner's thread, without waiting. Dropped if this
    // object is destroyed first.
    void Post(std::function<void()> work);

private:
    struct Ticket;
    // A posted RunNext takes what is queued. The call carries nothing: a
    // functor posted from a reader thread would be freed by whichever thread drops
    // Qt's last reference, synchronised only inside Qt, where ThreadSanitizer
    // cannot see. Chunks and calls pass through our own queues, under mutex_.
    // Posts RunNext unless one is pending; unlocks `lock`.
    void WakeLocked(std::unique_lock<std::mutex>& lock);
    Q_INVOKABLE void RunNext();

    static constexpr int kBatch = 32;
    const std::thread::id owner_ = std::this_thread::get_id();
    std::mutex mutex_;  // the module-wide receive lock
    std::deque<std::shared_ptr<Ticket>> chunks_;
    std::deque<std::function<void()>> calls_;
    bool handling_ = false;     // a data handler runs on the owner's thread
    bool wakePending_ = false;  // a RunNext is posted and has not started
};

}  // namespace veltra
