// varnis-process: the window by default; --headless and --run for unattended hosts.
#include "host/ExchangeRunner.h"
#include "host/ProcessHost.h"
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

namespace {

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
    parser.addOptions({help, version, headless, run, config});
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
    ProcessHost host(registry, clock);

    if (parser.isSet(run)) {
        host.log().setEcho(true);
        host.FormCreate();
        host.CheckAutoProcess();
        host.scheduler().stopAll();  // one run, no timers
        return static_cast<int>(ExchangeRunner(host).run(runName));
    }
    if (parser.isSet(headless)) {
        host.log().setEcho(true);
        host.FormCreate();
        host.FormActivate();
        const int rc = execUnlessQuit(*app);
        host.log().WriteLog(QStringLiteral("Process beidzas"));
        return rc;
    }

    TVarnisProcessMain window(host);
    window.show();
    return execUnlessQuit(*app);
}
