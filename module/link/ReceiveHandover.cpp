#include "ReceiveHandover.h"

#include <QMetaObject>

namespace veltra {

struct ReceiveHandover::Ticket {
    enum class State { Posted, Running, Done, Cancelled };
    State state = State::Posted;
    std::function<void()> take;    // a chunk: under the lock, on the owner's thread
    std::function<void()> handle;  // a chunk: then without it
    std::function<void()> work;    // or a posted call
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

void ReceiveHandover::Wake()
{
    QMetaObject::invokeMethod(this, "RunNext", Qt::QueuedConnection);
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
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !busy_ || gate.released.load(); });
        if (gate.released.load()) {
            return false;
        }
        busy_ = true;
        queue_.push_back(ticket);
    }
    Wake();

    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return ticket->state == Ticket::State::Done || gate.released.load(); });
    switch (ticket->state) {
    case Ticket::State::Done:
        return true;
    case Ticket::State::Posted:
        // The owner never got to it: withdraw the chunk and free the lock.
        ticket->state = Ticket::State::Cancelled;
        busy_ = false;
        lock.unlock();
        changed_.notify_all();
        return false;
    default:
        // The owner is inside the handler (which may be closing this very
        // channel); the reader leaves now and the handler frees the lock.
        return false;
    }
}

void ReceiveHandover::RunNext()
{
    std::shared_ptr<Ticket> ticket;
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty()) {
            return;
        }
        ticket = std::move(queue_.front());
        queue_.pop_front();
        if (ticket->work) {
            // A posted call: run below, outside the lock.
        } else if (ticket->state != Ticket::State::Posted) {
            return;  // withdrawn by a closing channel
        } else {
            ticket->state = Ticket::State::Running;
            ticket->take();
        }
    }
    if (ticket->work) {
        ticket->work();
        return;
    }
    ticket->handle();
    {
        std::lock_guard lock(mutex_);
        ticket->state = Ticket::State::Done;
        busy_ = false;
    }
    changed_.notify_all();
}

void ReceiveHandover::Release(HandoverGate& gate)
{
    {
        std::lock_guard lock(mutex_);
        gate.released.store(true);
    }
    changed_.notify_all();
}

void ReceiveHandover::Post(std::function<void()> work)
{
    auto ticket = std::make_shared<Ticket>();
    ticket->work = std::move(work);
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(ticket));
    }
    Wake();
}

}  // namespace veltra
