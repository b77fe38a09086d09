#include "EdisoftExchange.h"

#include "EdisoftFiles.h"
#include "EdisoftOrderImport.h"
#include "EdisoftReceiptImport.h"
#include "EdisoftStatusImport.h"

#include "db/ExchangeContext.h"
#include "platform/BusyFlag.h"
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/Registry.h"
#include "platform/RunReport.h"

#include <QFileInfo>

namespace {

const QString kBusyLabel = QStringLiteral("EdisoftImpProcess");
const QString kRefused = QStringLiteral("Kludas");

}  // namespace

void EdisoftExchange::readOptions()
{
    RegistryKey key(ctx_.registry);
    if (!key.OpenKey(QStringLiteral("Edisoft"), false))
        return;
    EdisoftOptions o;
    o.Katalogs = key.ReadString(QStringLiteral("Katalogs"));
    o.Isnodala = key.ReadInteger(QStringLiteral("Isnodala"));
    o.KatalogsSanem = key.ReadString(QStringLiteral("KatalogsSanem"));
    o.SanNeapstiprin = key.ReadBool(QStringLiteral("SanNeapstiprin"));
    o.KatalogsPasutOut = key.ReadString(QStringLiteral("KatalogsPasutOut"));
    o.KatalogsMessage = key.ReadString(QStringLiteral("KatalogsMessage"));
    o.KlientaAtpazisana = key.ReadInteger(QStringLiteral("KlientaAtpazisana"));
    o.PasutijumaDatumaFlag = key.ReadInteger(QStringLiteral("PasutijumaDatumaFlag"));
    o.TestFails = key.ReadString(QStringLiteral("TestFails"));
    options_ = o;
}

bool EdisoftExchange::EdisoftImpProcess()
{
    if (ctx_.busy.isSet()) {
        const QString line = QStringLiteral("Edisoft Nepilda failu importu - pildās cits process");
        ctx_.log.WriteLog(line);
        ctx_.report.refuse(line);
        return false;
    }
    ctx_.log.WriteLog(QStringLiteral("Sāku Edisoft..."));
    ctx_.busy.set(true, kBusyLabel);
    try {
        readOptions();
        const EdisoftOptions& o = options_;
        bool anything = false;
        if (!o.Katalogs.isEmpty() && o.Isnodala != 0) {
            anything = true;
            EdisoftOrderImport orders(ctx_, o);
            runDirectory(o.Katalogs, QStringLiteral("*.XML"), QStringLiteral("BackupPasut"),
                         [&](const QString& path) { return orders.import(path); });
        }
        if (!o.KatalogsSanem.isEmpty()) {
            anything = true;
            EdisoftReceiptImport receipts(ctx_, o);
            runDirectory(o.KatalogsSanem, QStringLiteral("*.XML"), QStringLiteral("BackupSanem"),
                         [&](const QString& path) { return receipts.import(path); });
        }
        if (!o.KatalogsMessage.isEmpty()) {
            anything = true;
            EdisoftStatusImport messages(ctx_);
            runDirectory(o.KatalogsMessage, QStringLiteral("ORDER_OUT_*.XML"), QStringLiteral("BackupMessage"),
                         [&](const QString& path) { return messages.import(path); });
        }
        if (!anything)
            ctx_.report.nothingToDo();
    } catch (...) {
        ctx_.busy.set(false, kBusyLabel);
        throw;
    }
    ctx_.busy.set(false, kBusyLabel);
    ctx_.log.WriteLog(QStringLiteral("Beidzu Edisoft"));
    return true;
}

EdisoftResult EdisoftExchange::guarded(const QString& path, const std::function<EdisoftResult(const QString&)>& import)
{
    try {
        return import(path);
    } catch (const std::exception& e) {
        return keepFile(ctx_, QStringLiteral("Edisoft Kļūda apstrādājot failu ") + path + QStringLiteral(" : ")
                                  + errorText(e));
    }
}

void EdisoftExchange::runDirectory(const QString& dir, const QString& mask, const QString& backup,
                                   const std::function<EdisoftResult(const QString&)>& import)
{
    if (!QFileInfo(dir).isDir()) {
        const QString line = QStringLiteral("Edisoft katalogs nav atrasts : ") + dir;
        ctx_.log.WriteLog(line);
        ctx_.report.fail(line);
        return;
    }
    for (const QString& path : EdisoftFiles::list(dir, mask)) {
        if (EdisoftFiles::isBeingWritten(path, ctx_.clock.now())) {
            const QString line = QStringLiteral("Edisoft fails vēl tiek rakstīts, to ievadīšu nākamreiz : ") + path;
            ctx_.log.WriteLog(line);
            ctx_.report.fail(line);
            continue;
        }
        const EdisoftResult r = guarded(path, import);
        switch (r.outcome) {
        case EdisoftOutcome::Stored:
            ctx_.report.moved(1);
            moveFile(path, backup);
            break;
        case EdisoftOutcome::AlreadyStored:
            moveFile(path, backup);
            break;
        case EdisoftOutcome::Refused:
            if (moveFile(path, kRefused))
                ctx_.report.fail(r.line);
            break;
        case EdisoftOutcome::Failed:
            ctx_.report.fail(r.line);
            break;
        }
    }
}

bool EdisoftExchange::moveFile(const QString& path, const QString& sub)
{
    try {
        const QString moved = EdisoftFiles::moveInto(path, sub);
        if (sub == kRefused)
            ctx_.log.WriteLog(QStringLiteral("Edisoft fails pārvietots uz : ") + moved);
        return true;
    } catch (const std::exception& e) {
        const QString line = QStringLiteral("Kļūda veidojot faila rezerves kopiju, process turpinās : ") + errorText(e);
        ctx_.log.WriteLog(line);
        ctx_.report.fail(line);
        return false;
    }
}

bool EdisoftExchange::EdisoftTestImport()
{
    readOptions();
    const QString path = options_.TestFails.trimmed();
    QString missing;
    if (path.isEmpty())
        missing = QStringLiteral("Test Edisoft: nav norādīts fails ([Edisoft] TestFails)");
    else if (!QFileInfo(path).isFile())
        missing = QStringLiteral("Test Edisoft: fails nav atrasts : ") + path;
    if (!missing.isEmpty()) {
        ctx_.log.WriteLog(missing);
        ctx_.report.refuse(missing);
        return false;
    }
    EdisoftReceiptImport receipts(ctx_, options_);
    const EdisoftResult r = guarded(path, [&](const QString& p) { return receipts.import(p); });
    if (r.outcome == EdisoftOutcome::Stored)
        ctx_.report.moved(1);
    if (r.outcome == EdisoftOutcome::Refused || r.outcome == EdisoftOutcome::Failed) {
        ctx_.report.fail(r.line);
        return false;
    }
    return true;
}
