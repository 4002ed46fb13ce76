#include "Board.h"

namespace veltra::sim {

Board::Board(Personality start, std::chrono::milliseconds eraseTime)
    : personality_(start), application_(memory_, faults_), bootLoader_(memory_, faults_, eraseTime)
{
}

void Board::Restart(Personality personality)
{
    personality_ = personality;
    application_.Reset();
    bootLoader_.Reset();
    requestsSinceRestart_ = 0;
    repliesSinceRestart_ = 0;
}

void Board::SetFaults(const Faults& faults)
{
    faults_ = faults;
    memory_.flash.SetStuckBit(faults.stuckBit);
    requestsSinceRestart_ = 0;
    repliesSinceRestart_ = 0;
}

bool Board::Silent() const
{
    return faults_.silent || (faults_.silentAfterRequests && requestsSinceRestart_ >= *faults_.silentAfterRequests);
}

void Board::Note(std::string bytes, std::uint32_t rate, bool answered)
{
    log_.push_back({personality_, std::move(bytes), rate, answered});
    ++requestsSinceRestart_;
}

Reaction Board::Receive(std::string_view bytes, std::uint32_t rate)
{
    const bool application = personality_ == Personality::Application;
    std::size_t heard = 0;
    while (heard < bytes.size() &&
           (application ? application_.Hears(rate) : bootLoader_.Hears(bytes[heard], rate))) {
        ++heard;
    }
    if (heard == 0) {
        // A UART at the wrong rate sees garbage: whatever was half received is lost.
        std::size_t noise = 1;
        while (noise < bytes.size() &&
               !(application ? application_.Hears(rate) : bootLoader_.Hears(bytes[noise], rate))) {
            ++noise;
        }
        application ? application_.Disturb() : bootLoader_.Disturb();
        Note(std::string(bytes.substr(0, noise)), rate, false);
        Reaction reaction;
        reaction.consumed = noise;
        return reaction;
    }

    const bool silent = Silent();
    Reaction reaction = application ? application_.Receive(bytes.substr(0, heard))
                                    : bootLoader_.Receive(bytes.substr(0, heard), rate);
    if (silent) {
        reaction.echo.clear();
        reaction.reply.clear();
        reaction.wait = {};
    } else if (!reaction.reply.empty()) {
        reaction.wait += faults_.replyDelay;
        if (reaction.handshake) {
            reaction.reply.insert(0, faults_.handshakeNoise);
        }
        if (faults_.garbledReply == repliesSinceRestart_ && reaction.reply.size() >= 2) {
            char& byte = reaction.reply[reaction.reply.size() - 2];
            byte = static_cast<char>(~byte);
        }
        if (faults_.strayBeforeReply == repliesSinceRestart_) {
            reaction.reply.insert(0, faults_.strayBytes);
        }
        ++repliesSinceRestart_;
    }
    if (!reaction.discarded.empty()) {
        Note(std::move(reaction.discarded), rate, false);
    }
    if (reaction.request) {
        Note(*reaction.request, rate, !reaction.reply.empty());
    }
    if (reaction.enterBootLoader) {
        personality_ = Personality::BootLoader;
        bootLoader_.Reset();
    }
    return reaction;
}

}  // namespace veltra::sim
