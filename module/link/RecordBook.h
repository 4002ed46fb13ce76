#pragma once

#include "BoardRecord.h"
#include "UtcClock.h"

#include <string>

namespace veltra {

// The record of every board: one JSON line per operation on a port, in one file
// per UTC day, <folder>/YYYY-MM-DD.jsonl, dated by the operation's start. The
// window and the command-line program may append to the same file at once;
// each line goes out in one write to a file opened for appending, so lines
// never interleave. A book is used from one thread.
class RecordBook {
public:
    // $XDG_DATA_HOME/veltra/records, or ~/.local/share/veltra/records when
    // that variable is not an absolute path; empty when neither can be found.
    static std::string DefaultFolder();

    // A book that is not enabled writes nothing ([RECORDS] ENABLED=0).
    explicit RecordBook(bool enabled = true, std::string folder = DefaultFolder());

    // Appends the record. The record never stops a run: when it cannot be
    // written, the first failure returns a message for the user ("Records cannot
    // be written to <file>: <reason>") and the ones after it return nothing
    // until a record is written again.
    std::string Append(const BoardRecord& record);

    struct Tally {
        int passed = 0;
        int failed = 0;
        int total = 0;
    };

    // The records of `host` in today's file (UTC). Lines that are not records
    // are skipped; a file past 64 MiB is counted up to there.
    Tally Today(const std::string& host) const;

    std::string FilePath(const CalendarDate& date) const;

private:
    bool enabled_;
    std::string folder_;
    bool failing_ = false;
};

}  // namespace veltra
