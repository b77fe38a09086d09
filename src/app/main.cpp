// varnis-process: the window by default; --headless and --run for unattended hosts.
#include "host/ExchangeCatalog.h"
#include "host/ExchangeRunner.h"
#include "host/HealthCheck.h"
#include "host/ProcessHost.h"
#include "host/RunHistory.h"
#include "host/StatusReport.h"
#include "host/Varnisprocessmainform.h"
#include "platform/AppInfo.h"
#include "platform/Clock.h"
#include "platform/Registry.h"

#include <QApplication>
#include <QCommandLineParser>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace {

const QString kLogFile = QStringLiteral("VarnisProcess.log");

// --status and --check: the settings file and the run history only, never the goods
// database, so they answer beside a running host and while its database is down.
int reportStatus(Registry& registry, bool check, bool json)
{
    RunHistory::Options readOnly;
    readOnly.create = false;
    RunHistory history(RunHistory::configuredPath(registry, kLogFile), nullptr, readOnly);
    history.open();
    const StatusReport status =
        StatusReport::build(ExchangeCatalog::read(registry), &history, QDateTime::currentDateTime());
    if (check) {
        const HealthCheck health = HealthCheck::evaluate(status);
        std::printf("%s", health.text().toUtf8().constData());
        return health.exitCode();
    }
    const QByteArray out = json ? status.json() : status.text().toUtf8();
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    return 0;
}

// The journal stamps each line itself.
void echoLog(ProcessHost& host)
{
    host.log().setEcho(true);
    host.log().setJournal(ProcessLog::isJournalStream(qgetenv("JOURNAL_STREAM"), STDOUT_FILENO));
}

// SIGTERM and SIGINT end the event loop, so the host closes its connections cleanly.
// The signals are blocked before any library starts a thread (the database engine does,
// and puts a handler of its own on SIGTERM); one thread waits for them instead.
sigset_t blockQuitSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    return set;
}

std::atomic<bool> quitRequested{false};

void quitOnSignals(QCoreApplication& app, sigset_t set)
{
    std::thread([set, &app] {
        int sig = 0;
        if (sigwait(&set, &sig) == 0) {
            quitRequested = true;
            QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
        }
    }).detach();
}

// A quit that arrived while start-up let events through (every log line does) found no
// running loop and was lost; the flag still tells.
int execUnlessQuit(QCoreApplication& app)
{
    return quitRequested ? 0 : app.exec();
}

}  // namespace

int main(int argc, char** argv)
{
    // The options are read before the application object, so that a usage error or --help
    // never needs a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    QCommandLineParser parser;
    parser.setApplicationDescription(AppInfo::caption());
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("Show the version."));
    const QCommandLineOption headless(QStringLiteral("headless"),
                                      QStringLiteral("Run the timers without a window; log lines go to standard output too."));
    const QCommandLineOption run(QStringLiteral("run"),
                                 QStringLiteral("Run one exchange once and exit: 0 done, 1 failed or refused, "
                                                "3 nothing to do by the settings. Names: ")
                                     + ExchangeRunner::names().join(QStringLiteral(", ")),
                                 QStringLiteral("NAME"));
    const QCommandLineOption config(QStringLiteral("config"),
                                    QStringLiteral("The settings file (default ~/.config/TOLVERN/VARNIS-A.ini)."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption status(QStringLiteral("status"),
                                    QStringLiteral("Print each exchange's schedule, last success and failure, next due "
                                                   "time and the last 24 h, from the settings and the run history."));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("With --status: print it as JSON."));
    const QCommandLineOption check(QStringLiteral("check"),
                                   QStringLiteral("Nagios/Icinga check: 0 when every enabled exchange succeeded in time "
                                                  "and the goods database answered, 1 otherwise."));
    parser.addOptions({help, version, headless, run, config, status, json, check});
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(help)) {
        std::printf("%s", qPrintable(parser.helpText()));
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("varnis-process %s\n", qPrintable(AppInfo::version()));
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "Unexpected argument: %s\n", qPrintable(parser.positionalArguments().first()));
        return 2;
    }
    const QString runName = parser.value(run);
    if (parser.isSet(run) && !ExchangeRunner::names().contains(runName)) {
        std::fprintf(stderr, "Unknown exchange '%s'. Names: %s\n", qPrintable(runName),
                     qPrintable(ExchangeRunner::names().join(QStringLiteral(", "))));
        return 2;
    }

    const int modes = int(parser.isSet(run)) + int(parser.isSet(headless)) + int(parser.isSet(status))
        + int(parser.isSet(check));
    if (modes > 1 || (parser.isSet(json) && !parser.isSet(status))) {
        std::fprintf(stderr, "Use one of --headless, --run, --status [--json] and --check.\n");
        return 2;
    }
    if (parser.isSet(status) || parser.isSet(check)) {
        QCoreApplication app(argc, argv);
        Registry registry(parser.isSet(config) ? parser.value(config) : Registry::defaultPath());
        return reportStatus(registry, parser.isSet(check), parser.isSet(json));
    }

    const bool withWindow = !parser.isSet(run) && !parser.isSet(headless);
    const sigset_t quitSignals = parser.isSet(run) ? sigset_t{} : blockQuitSignals();
    std::unique_ptr<QCoreApplication> app = withWindow ? std::make_unique<QApplication>(argc, argv)
                                                   : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("TOLVERN"));
    QCoreApplication::setApplicationName(QStringLiteral("VARNIS-A"));
    QCoreApplication::setApplicationVersion(AppInfo::version());

    if (!parser.isSet(run))
        quitOnSignals(*app, quitSignals);

    Registry registry(parser.isSet(config) ? parser.value(config) : Registry::defaultPath());
    SystemClock clock;
    ProcessHost host(registry, clock, kLogFile);

    if (parser.isSet(run)) {
        echoLog(host);
        host.FormCreate();
        host.warnIfConfigReadable();
        host.monitor().openHistory(HostMonitor::Role::OneRun);
        host.CheckAutoProcess();
        host.scheduler().stopAll();  // one run, no timers
        return static_cast<int>(ExchangeRunner(host).run(runName));
    }
    if (parser.isSet(headless)) {
        echoLog(host);
        host.FormCreate();
        host.warnIfConfigReadable();
        host.monitor().openHistory(HostMonitor::Role::Service);
        host.FormActivate();
        // After the apply step, so that the first answer already tells what it did.
        host.monitor().startMonitoring();
        const int rc = execUnlessQuit(*app);
        host.monitor().shutdown();
        host.log().WriteLog(QStringLiteral("Process beidzas"));
        return rc;
    }

    TVarnisProcessMain window(host);
    host.warnIfConfigReadable();
    host.monitor().openHistory(HostMonitor::Role::Service);
    host.monitor().startMonitoring();
    window.show();
    const int rc = execUnlessQuit(*app);
    host.monitor().shutdown();
    return rc;
}
