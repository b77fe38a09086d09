// varnis-process: the window by default; --headless and --run for unattended hosts.
#include "host/ExchangeRunner.h"
#include "host/ProcessHost.h"
#include "host/Varnisprocessmainform.h"
#include "platform/AppInfo.h"
#include "platform/Clock.h"
#include "platform/Registry.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

// SIGTERM and SIGINT end the event loop, so the host closes its connections cleanly.
void quitOnSignals(QCoreApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &c, 1);
        app.quit();
    });
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

struct Options {
    bool headless = false;
    QString run;
    QString config;
};

bool wantsWindow(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "--headless" || a == "--run" || a.startsWith("--run=") || a == "--help" || a == "-h"
            || a == "--version" || a == "-v")
            return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    std::unique_ptr<QCoreApplication> app = wantsWindow(argc, argv)
        ? std::make_unique<QApplication>(argc, argv)
        : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("TOLVERN"));
    QCoreApplication::setApplicationName(QStringLiteral("VARNIS-A"));
    QCoreApplication::setApplicationVersion(AppInfo::version());

    QCommandLineParser parser;
    parser.setApplicationDescription(AppInfo::caption());
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption headless(QStringLiteral("headless"),
                                      QStringLiteral("Run the timers without a window; log lines go to standard output too."));
    const QCommandLineOption run(QStringLiteral("run"),
                                 QStringLiteral("Run one exchange once and exit (0 done, 1 failed). Names: ")
                                     + ExchangeRunner::names().join(QStringLiteral(", ")),
                                 QStringLiteral("NAME"));
    const QCommandLineOption config(QStringLiteral("config"),
                                    QStringLiteral("The settings file (default %1).").arg(Registry::defaultPath()),
                                    QStringLiteral("FILE"));
    parser.addOptions({headless, run, config});
    if (!parser.parse(app->arguments())) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::printf("%s", qPrintable(parser.helpText()));
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
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

    Registry registry(parser.isSet(config) ? parser.value(config) : Registry::defaultPath());
    SystemClock clock;
    ProcessHost host(registry, clock);

    if (parser.isSet(run)) {
        host.log().setEcho(true);
        host.FormCreate();
        host.CheckAutoProcess();
        host.scheduler().stopAll();  // one run, no timers
        return ExchangeRunner(host).run(runName) == ExchangeRunner::Result::Succeeded ? 0 : 1;
    }
    if (parser.isSet(headless)) {
        host.log().setEcho(true);
        quitOnSignals(*app);
        host.FormCreate();
        host.FormActivate();
        const int rc = app->exec();
        host.log().WriteLog(QStringLiteral("Process beidzas"));
        return rc;
    }

    quitOnSignals(*app);
    TVarnisProcessMain window(host);
    window.show();
    return app->exec();
}
