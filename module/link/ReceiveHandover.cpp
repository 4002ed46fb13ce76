#include "ReceiveHandover.h"

#include <QMetaObject>

#include <memory>

namespace veltra {

struct ReceiveHandover::Ticket {
    enum class State { Posted, Running, Done, Cancelled };
    State state = State::Posted;
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
    }
    QMetaObject::invokeMethod(this, [this, ticket] { Run(*ticket); }, Qt::QueuedConnection);

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

void ReceiveHandover::Run(Ticket& ticket)
{
    {
        std::lock_guard lock(mutex_);
        if (ticket.state != Ticket::State::Posted) {
            return;
        }
        ticket.state = Ticket::State::Running;
        ticket.take();
    }
    ticket.handle();
    {
        std::lock_guard lock(mutex_);
        ticket.state = Ticket::State::Done;
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
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

}  // namespace veltra
