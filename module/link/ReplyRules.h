#pragma once

#include "RomImage.h"

#include <cstdint>
#include <string_view>

namespace veltra {

enum class ReplyVerdict { Incomplete, Success, Failure };

// True when `count` accumulated bytes complete the reply to a request of
// `code`. Completion is exact: one byte too many never completes.
//  - handshake: 1 byte (the caller judges each chunk by itself);
//  - text records: `expectedLength` + 3 (echo, ".", CR, LF);
//  - read-back: `expectedLength` is the whole reply's length;
//  - application frames: 13; 'G' and 'K' are never answered.
bool IsReplyComplete(char code, uint32_t expectedLength, size_t count);
// The length a complete reply to `code` has by the rules above; 0 for a
// request that is never answered.
size_t FullReplyLength(char code, uint32_t expectedLength);
// The characters the line carries, at the least, from a request's first to
// its reply's last (0 when the reply's length is not known).
size_t LineCharsUntilReplied(char code, size_t requestLength, uint32_t expectedLength);

// The verdict on what has accumulated for `code`:
//  - handshake: the chunk is exactly "U";
//  - text records: the byte after the echo is ".";
//  - frames with 13-byte replies: complete is success, their content is the
//    caller's to read;
//  - read-back: success only when CompareReadBack matches (the caller passes
//    the image and range through CompareReadBack itself; here it is only the
//    completion).
ReplyVerdict JudgeReply(char code, uint32_t expectedLength, std::string_view reply);

// An application-firmware reply: ESC, the request's two letters, the
// request's 32-bit operand (address or test item) echoed, four bytes of
// payload, the exclusive OR of the bytes between ESC and the checksum, CR.
constexpr size_t kFrameReplyLength = 13;
enum class FrameVerdict { Incomplete, Complete, Wrong };
struct FrameScan {
    FrameVerdict verdict = FrameVerdict::Incomplete;
    size_t start = 0;  // where the reply (or what is left to wait on) begins
};

// Looks for the reply to `request` in what has `received` so far. Bytes before
// an ESC are noise, and a frame that is not the reply is skipped when another
// ESC follows it, so a stray byte on the line never shifts a later value. A
// frame that is not the reply with nothing after it to try is Wrong.
FrameScan ScanFrameReply(std::string_view request, std::string_view received);

// Compares a complete read-back reply of `expectedTotal` characters with the
// image. "X" or "L" right after the 21-character echo fails the range; every
// data line's bytes must equal the image at the line's address. The lines must
// also cover exactly `byteCount` bytes from `start`, in order, so that a reply
// of the right length that leaves bytes out can never pass as verified.
bool CompareReadBack(std::string_view reply, uint32_t expectedTotal, const RomImage& image, uint32_t start,
                     uint32_t byteCount);

}  // namespace veltra
