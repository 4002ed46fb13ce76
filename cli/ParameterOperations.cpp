#include "Operation.h"

#include "ModuleFacts.h"
#include "ParameterFile.h"
#include "ParameterRows.h"

#include <QDir>
#include <QFileInfo>

namespace veltra::cli {

namespace {

using module_facts::kApplicationBaud;

// The parameter file and the rows of --rows, for either direction.
ExitStatus LoadRows(Session& session)
{
    const CliOptions& options = session.options;
    std::string error;
    if (LoadParameterFile(options.vtpFile, session.table, error) != ParameterLoadStatus::Loaded) {
        Say(error);
        return ExitStatus::Refused;
    }
    if (session.table.rows.empty()) {
        Say(options.vtpFile + ": has no parameter rows");
        return ExitStatus::Refused;
    }
    if (!TickRows(session.table, options.rows, options.vtpFile, error)) {
        Say(error);
        return ExitStatus::Usage;
    }
    session.engine.Parameters().SetSourcePath(options.vtpFile);
    return ExitStatus::Passed;
}

// Writes the rows into every module, after the sheet's checks of every value.
class ParamsDownOperation : public Operation {
public:
    explicit ParamsDownOperation(Session& session) : session_(session) {}

    ExitStatus Prepare() override
    {
        if (const ExitStatus loaded = LoadRows(session_); loaded != ExitStatus::Passed)
            return loaded;
        const ParameterTable& table = session_.table;
        const auto neverWritten = [](const ParameterEntry& row) { return TransferMaskOf(row) == 0; };
        const std::string skipped = TickedRowIds(table, neverWritten);
        if (skipped == TickedRowIds(table, [](const ParameterEntry&) { return true; })) {
            Say("rows " + skipped + " are never written by a download (type R or [LOG])");
            return ExitStatus::Usage;
        }
        if (session_.options.rows != "all" && !skipped.empty() && !session_.options.quiet)
            Say("rows " + skipped + " are not written: a download never writes type R or [LOG] rows");
        if (!session_.engine.Parameters().CheckDownloadRows()) {
            session_.prompts.RepeatIfQuiet();
            return ExitStatus::Refused;
        }
        return ExitStatus::Passed;
    }

    // The engine opens the first port before the run and gives up the whole
    // run when it cannot: ports that cannot be opened are ended here first,
    // so that one busy port does not stop the others.
    void Start(const Ended& ended) override
    {
        PortBank& bank = session_.engine.Ports();
        for (int port = 0; port < bank.PortCount(); ++port) {
            if (!bank.Selected(port))
                continue;
            if (bank.Open(port, kApplicationBaud))
                break;
            bank.SetSelected(port, false);
            ended(session_.NotOpened(port, "params-down"));
        }
        if (bank.SelectedCount() == 0)
            return;
        if (!session_.engine.Parameters().PrepareParamDownload()) {
            for (int port = 0; port < bank.PortCount(); ++port) {
                if (bank.Selected(port))
                    ended(session_.NotOpened(port, "params-down"));
            }
            return;
        }
        session_.engine.Parameters().BeginParamDownload();
    }

private:
    Session& session_;
};

// Reads the rows from one module; the copy of the file is saved only whole.
class ParamsUpOperation : public Operation {
public:
    explicit ParamsUpOperation(Session& session) : session_(session) {}

    ExitStatus Prepare() override
    {
        if (const ExitStatus loaded = LoadRows(session_); loaded != ExitStatus::Passed)
            return loaded;
        readRows_ = 0;
        for (const ParameterEntry& row : session_.table.rows)
            readRows_ += row.checked && row.type != "R" ? 1 : 0;
        if (readRows_ == 0) {
            Say("the rows chosen are all of type R, which an upload never reads");
            return ExitStatus::Usage;
        }
        // Found out now rather than after the module has been read.
        const QFileInfo out(QString::fromStdString(session_.options.outFile));
        const QFileInfo folder(out.absolutePath());
        if (out.isDir() || !folder.isDir() || !folder.isWritable()) {
            Say("--out " + session_.options.outFile + ": cannot be written there");
            return ExitStatus::Usage;
        }
        return ExitStatus::Passed;
    }

    void Start(const Ended& ended) override
    {
        if (session_.engine.Parameters().PrepareUpload() >= 0) {
            session_.engine.Parameters().StartUpload();
            return;
        }
        PortBank& bank = session_.engine.Ports();
        for (int port = 0; port < bank.PortCount(); ++port) {
            if (bank.Selected(port))
                ended(session_.NotOpened(port, "params-up"));
        }
    }

    void Complete(PortResult& result) override
    {
        std::string error;
        if (SaveParameterFile(session_.options.outFile, session_.table, error)) {
            result.data["out"] = QString::fromStdString(session_.options.outFile);
            return;
        }
        result.ok = false;
        result.failure = error;
    }

    int ReadRows() const override { return readRows_; }

private:
    Session& session_;
    int readRows_ = 0;
};

}  // namespace

std::unique_ptr<Operation> MakeParamsDownOperation(Session& session)
{
    return std::make_unique<ParamsDownOperation>(session);
}

std::unique_ptr<Operation> MakeParamsUpOperation(Session& session)
{
    return std::make_unique<ParamsUpOperation>(session);
}

}  // namespace veltra::cli
