#pragma once

#include "EdisoftImport.h"

#include <functional>

// The Edisoft run: order files, receipt files and order status messages from the directories
// of [Edisoft], each file imported whole and then backed up beside its directory, set aside
// in "Kludas" when it can never be imported, or left for the next run when the database or
// the file system stopped it. Lives as long as the host: when the settings section is
// missing, the last values read stay in force.
class EdisoftExchange {
public:
    explicit EdisoftExchange(ExchangeContext& ctx) : ctx_(ctx) {}

    // True when the run went through. Files that stayed or were set aside are reported to
    // ctx.report as a failure; a missing integer or boolean setting throws RegistryError.
    bool EdisoftImpProcess();
    // The hidden test button: the receipt file [Edisoft] TestFails, without backup.
    bool EdisoftTestImport();

    const EdisoftOptions& options() const { return options_; }

private:
    void readOptions();
    void runDirectory(const QString& dir, const QString& mask, const QString& backup,
                      const std::function<EdisoftResult(const QString&)>& import);
    bool moveFile(const QString& path, const QString& sub);
    EdisoftResult guarded(const QString& path, const std::function<EdisoftResult(const QString&)>& import);

    ExchangeContext& ctx_;
    EdisoftOptions options_;
};
