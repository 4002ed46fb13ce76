#pragma once

#include "ParameterTable.h"
#include "Prompts.h"
#include "ReplyDispatcher.h"
#include "RunSettings.h"
#include "Sequence.h"

#include <string>
#include <vector>

namespace veltra {

// Parameter transfer through the modules' application firmware, one EEPROM
// byte per request: the upload reads the ticked rows from the one ticked
// module into the list; the download writes the ticked rows into every
// ticked module at once.
class ParameterTransfer : public Sequence {
public:
    ParameterTransfer(ReplyDispatcher& dispatcher, Prompts& prompts, ParameterTable& parameters,
                      const RunTexts& texts, const RunTimeouts& timeouts);

    // Where the rows came from, for the ports' results.
    void SetSourcePath(std::string path) { sourcePath_ = std::move(path); }

    // The upload: checks, opens the one ticked port at 9,600 bit/s, empties
    // the rows it will read; the port, or -1 with the reason shown.
    int PrepareUpload();
    // The upload window's start: reads the rows from the first on.
    void StartUpload();
    // Reads from `firstRow` on; false when no row is left.
    bool ParamReadStart(int port, int firstRow);
    // The rows a download would write: R and [LOG] rows unticked, then every
    // ticked row's value checked; false with the reason shown. No port is
    // touched, so a file can be refused before any port is opened.
    bool CheckDownloadRows();
    // The download: checks the ports and the rows, and opens the first ticked
    // port; false with the reason shown, nothing written.
    bool PrepareParamDownload();
    void BeginParamDownload();

    void OnReply(int port, PortSlot& slot, bool right) override;
    void OnTimeout(int port, int eventCode, char lastCode) override;

private:
    struct Cursor {
        uint32_t address = 0;  // of the row's first byte
        int row = 0;
        int size = 0;
        int byteIndex = 0;     // 0 = most significant
        std::vector<uint8_t> values;
    };

    int CheckedRowCount() const;
    std::string ValueProblems() const;
    bool OpenFirstSelected(const std::string& caption);
    void SendRead(int port);
    bool ParamReadNext(int port);
    // Sends the next byte; false when the port has nothing more to write.
    bool ParamWriteNext(int port);
    void UploadOver(int port);
    Cursor& At(int port) { return cursors_.at(static_cast<size_t>(port)); }

    ReplyDispatcher& dispatcher_;
    PortBank& bank_;
    Prompts& prompts_;
    ParameterTable& parameters_;
    const RunTexts& texts_;
    const RunTimeouts& timeouts_;
    std::string sourcePath_;
    std::vector<Cursor> cursors_;
    int uploadPort_ = -1;
};

}  // namespace veltra
