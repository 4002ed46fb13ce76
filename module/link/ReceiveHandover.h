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

// One channel's way out of a hand-over: once released, the channel's reader stops
// waiting for the receive lock or for the owner, and whatever it had posted but
// the owner had not yet started is dropped.
struct HandoverGate {
    std::atomic<bool> released{false};
};

// The module-wide receive lock and the synchronous hand-over of received chunks
// to the owner's thread (the thread this object lives on, the sheet's GUI thread).
//
// A reader thread calls Deliver(): it takes the receive lock (one chunk at a time
// across all ports), posts the chunk to the owner's thread and waits until the
// owner's handler has run, so the channel's receive buffer is not refilled before
// it has been consumed. The lock is held by the posted chunk, not by the reader
// thread's stack: a handler that closes its own channel lets its reader go at once
// and still keeps every other port out until the handler returns.
//
// A blocking cross-thread call whose target waits for the caller hangs for good,
// so whoever waits for a reader thread first calls Release() on its gate.
//
// The object must outlive every channel that delivers through it, and be
// destroyed on its own thread.
class ReceiveHandover : public QObject {
    Q_OBJECT

public:
    explicit ReceiveHandover(QObject* parent = nullptr);
    ~ReceiveHandover() override;

    ReceiveHandover(const ReceiveHandover&) = delete;
    ReceiveHandover& operator=(const ReceiveHandover&) = delete;

    // The owner is the thread that created this object (do not move it to another).
    bool IsOwnerThread() const;

    // From a reader thread. `take` runs on the owner's thread while the module
    // lock's mutex is held (it copies the chunk into the channel's buffer), then
    // `handle` runs on the owner's thread without it (the owner's handler, which
    // may close channels or run a nested event loop). Returns true when both ran,
    // false when `gate` was released first. Called on the owner's thread itself,
    // both simply run.
    bool Deliver(HandoverGate& gate, const std::function<void()>& take, const std::function<void()>& handle);

    // Releases a reader waiting in Deliver() for this gate; idempotent.
    void Release(HandoverGate& gate);

    // Runs `work` later on the owner's thread, without waiting (channel events).
    // Dropped if this object is destroyed first.
    void Post(std::function<void()> work);

private:
    struct Ticket;
    // One queued call per ticket. The call carries nothing: a functor posted
    // from a reader thread would be freed by whichever thread drops Qt's last
    // reference, synchronised only inside Qt, where ThreadSanitizer cannot see.
    // The tickets themselves pass through queue_, under mutex_.
    void Wake();
    Q_INVOKABLE void RunNext();

    // Compared without asking Qt: QThread::currentThread() on a reader thread
    // would make Qt adopt that thread.
    const std::thread::id owner_ = std::this_thread::get_id();
    std::mutex mutex_;  // the module-wide receive lock's state
    std::condition_variable changed_;
    bool busy_ = false;  // a chunk is posted or being handled
    std::deque<std::shared_ptr<Ticket>> queue_;
};

}  // namespace veltra
