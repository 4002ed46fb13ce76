#include "ReplyRules.h"

#include "CommandRecord.h"

namespace veltra {

namespace {

constexpr char kEsc = '\x1B';
constexpr char kCr = '\r';

bool IsTextRecordCode(char c)
{
    return c == code::kErase || c == code::kBlankCheck || c == code::kProgram || c == code::kFinalise;
}

bool IsFrameCode(char c)
{
    return c == code::kTest || c == code::kStampWrite || c == code::kRecordRead || c == code::kParamRead ||
           c == code::kParamWrite;
}

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool IsHexText(std::string_view text)
{
    for (const char c : text) {
        if (!IsHexDigit(c))
            return false;
    }
    return true;
}

bool IsReplyFrameFor(std::string_view request, std::string_view frame)
{
    if (request.size() < 7 || frame[0] != kEsc || frame[12] != kCr || frame.substr(1, 6) != request.substr(1, 6))
        return false;
    uint8_t check = 0;
    for (size_t i = 1; i < 11; ++i)
        check ^= static_cast<uint8_t>(frame[i]);
    return check == static_cast<uint8_t>(frame[11]);
}

}  // namespace

FrameScan ScanFrameReply(std::string_view request, std::string_view received)
{
    size_t start = received.find(kEsc);
    while (start != std::string_view::npos) {
        if (received.size() - start < kFrameReplyLength)
            return {FrameVerdict::Incomplete, start};
        if (IsReplyFrameFor(request, received.substr(start, kFrameReplyLength)))
            return {FrameVerdict::Complete, start};
        const size_t next = received.find(kEsc, start + 1);
        if (next == std::string_view::npos)
            return {FrameVerdict::Wrong, start};
        start = next;
    }
    return {FrameVerdict::Incomplete, received.size()};
}

size_t FullReplyLength(char c, uint32_t expectedLength)
{
    if (c == code::kHandshake)
        return 1;
    if (IsTextRecordCode(c))
        return size_t{expectedLength} + 3;
    if (c == code::kReadBack)
        return expectedLength;
    if (IsFrameCode(c))
        return kFrameReplyLength;
    return 0;
}

size_t LineCharsUntilReplied(char c, size_t requestLength, uint32_t expectedLength)
{
    // The boot loader echoes a record while it comes in, so its reply runs
    // alongside the request; the application answers a frame once it has all of it.
    const size_t reply = FullReplyLength(c, expectedLength);
    return IsFrameCode(c) && reply != 0 ? requestLength + reply : reply;
}

bool IsReplyComplete(char c, uint32_t expectedLength, size_t count)
{
    const size_t full = FullReplyLength(c, expectedLength);
    return full != 0 && count == full;
}

ReplyVerdict JudgeReply(char c, uint32_t expectedLength, std::string_view reply)
{
    if (c == code::kHandshake)
        return reply == kHandshakeByte ? ReplyVerdict::Success : ReplyVerdict::Failure;
    if (!IsReplyComplete(c, expectedLength, reply.size()))
        return ReplyVerdict::Incomplete;
    if (IsTextRecordCode(c))
        return reply[expectedLength] == '.' ? ReplyVerdict::Success : ReplyVerdict::Failure;
    return ReplyVerdict::Success;
}

bool CompareReadBack(std::string_view reply, uint32_t expectedTotal, const RomImage& image, uint32_t start,
                     uint32_t byteCount)
{
    if (reply.size() != expectedTotal || expectedTotal < 23)
        return false;
    if (reply[21] == 'X' || reply[21] == 'L')
        return false;
    if (reply.substr(21, 2) != "\r\n")
        return false;

    uint32_t next = start;
    size_t at = 23;
    while (at < expectedTotal) {
        // "AAAA=" then pairs up to CR LF.
        if (at + 7 > expectedTotal || !IsHexText(reply.substr(at, 4)) || reply[at + 4] != '=')
            return false;
        const uint32_t address = HexField(reply.substr(at, 4));
        at += 5;
        if (reply[at] == '\r') {
            if (reply[at + 1] != '\n')
                return false;
            at += 2;
            continue;
        }
        if (address != (next & 0xFFFF))
            return false;
        while (at < expectedTotal && reply[at] != '\r') {
            if (at + 2 > expectedTotal || !IsHexText(reply.substr(at, 2)))
                return false;
            if (next >= start + byteCount || next >= kRomSize)
                return false;
            if (HexField(reply.substr(at, 2)) != image.bytes[next])
                return false;
            ++next;
            at += 2;
        }
        if (at + 2 > expectedTotal || reply[at + 1] != '\n')
            return false;
        at += 2;
    }
    return next == start + byteCount;
}

}  // namespace veltra
