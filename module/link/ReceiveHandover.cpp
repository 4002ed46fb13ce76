#include "ReceiveHandover.h"

#include <QMetaMethod>
#include <QMetaObject>

#include <vector>

namespace veltra {

struct ReceiveHandover::Ticket {
    enum class State { Queued, Running, Done, Withdrawn };
    State state = State::Queued;
    // The reader waits on the ticket, not on its channel: the owner signals it
    // after letting go of the lock (the shared ticket outlives a channel that
    // a handler destroys), so the woken reader does not run into a held lock.
    std::condition_variable done;
    std::function<void()> take;
    std::function<void()> handle;
};

ReceiveHandover::ReceiveHandover(QObject* parent)
    : QObject(parent)
{
}

ReceiveHandover::~ReceiveHandover() = default;

bool ReceiveHandover::IsOwnerThread() const
{
    return std::this_thread::get_id() == owner_;
}

void ReceiveHandover::WakeLocked(std::unique_lock<std::mutex>& lock)
{
    // One wake-up waiting is enough: RunNext takes everything queued.
    const bool post = !wakePending_;
    wakePending_ = true;
    lock.unlock();
    if (!post) {
        return;
    }
    static const QMetaMethod runNext =
        staticMetaObject.method(staticMetaObject.indexOfMethod(QMetaObject::normalizedSignature("RunNext()")));
    runNext.invoke(this, Qt::QueuedConnection);
}

bool ReceiveHandover::Deliver(HandoverGate& gate, const std::function<void()>& take,
                              const std::function<void()>& handle)
{
    if (IsOwnerThread()) {
        take();
        handle();
        return true;
    }
    auto ticket = std::make_shared<Ticket>();
    ticket->take = take;
    ticket->handle = handle;
    std::unique_lock lock(mutex_);
    if (gate.released) {
        return false;
    }
    chunks_.push_back(ticket);
    WakeLocked(lock);

    lock.lock();
    gate.waiting = &ticket->done;
    ticket->done.wait(lock, [&] { return ticket->state == Ticket::State::Done || gate.released.load(); });
    gate.waiting = nullptr;
    switch (ticket->state) {
    case Ticket::State::Done:
        return true;
    case Ticket::State::Queued:
        ticket->state = Ticket::State::Withdrawn;  // the owner skips it
        return false;
    default:
        // The owner is inside the handler, which may be closing this very
        // channel, or even destroying it: leave now.
        return false;
    }
}

void ReceiveHandover::RunNext()
{
    // Takes everything queued, up to a bound, in one trip through the event
    // loop: with many ports talking at once those trips are most of the cost.
    // The bound keeps a flood from starving timers and input. The readers are
    // let go after the batch: woken in the middle of it they would only take the
    // processor from this thread to go back to sleep in poll().
    std::vector<std::shared_ptr<Ticket>> finished;
    const auto letReadersGo = [&finished] {
        for (const auto& ticket : finished) {
            ticket->done.notify_one();
        }
    };
    std::unique_lock lock(mutex_);
    wakePending_ = false;  // what is queued from now on posts another
    for (int budget = kBatch; budget > 0; --budget) {
        if (!calls_.empty()) {
            std::function<void()> call = std::move(calls_.front());
            calls_.pop_front();
            lock.unlock();
            call();
            lock.lock();
            continue;
        }
        if (handling_ || chunks_.empty()) {
            // While a handler runs, this is a nested event loop inside it: the
            // RunNext that called the handler goes on with the chunks after it.
            lock.unlock();
            letReadersGo();
            return;
        }
        std::shared_ptr<Ticket> ticket = std::move(chunks_.front());
        chunks_.pop_front();
        if (ticket->state != Ticket::State::Queued) {
            continue;  // withdrawn by a closing channel
        }
        ticket->state = Ticket::State::Running;
        ticket->take();
        handling_ = true;
        lock.unlock();

        ticket->handle();

        lock.lock();
        handling_ = false;
        ticket->state = Ticket::State::Done;
        finished.push_back(std::move(ticket));
    }
    // The bound was reached: come back after the events queued meanwhile.
    WakeLocked(lock);
    letReadersGo();
}

void ReceiveHandover::Release(HandoverGate& gate)
{
    std::lock_guard lock(mutex_);
    gate.released = true;
    if (gate.waiting != nullptr) {
        gate.waiting->notify_all();
    }
}

void ReceiveHandover::Post(std::function<void()> work)
{
    std::unique_lock lock(mutex_);
    calls_.push_back(std::move(work));
    WakeLocked(lock);
}

}  // namespace veltra
