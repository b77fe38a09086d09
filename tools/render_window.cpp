// Renders the main window's settings page and its status page to PNGs for the
// documentation. Runs offscreen on a throw-away INI file and run history; no database is
// opened.

#include "host/ProcessHost.h"
#include "host/RunHistory.h"
#include "host/Varnisprocessmainform.h"
#include "platform/Clock.h"
#include "platform/Registry.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLayout>
#include <QPixmap>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

#ifdef VARNIS_SOURCE_DIR
    const QDir repository(QString::fromUtf8(VARNIS_SOURCE_DIR));
#else
    const QDir repository;
#endif
    const QStringList args = QCoreApplication::arguments();
    const QString output = args.size() > 1 ? args.at(1) : repository.filePath(QStringLiteral("docs/window.png"));
    const QString statusOutput =
        args.size() > 2 ? args.at(2) : QFileInfo(output).absoluteDir().filePath(QStringLiteral("status.png"));

    QTemporaryDir temp;
    if (!temp.isValid()) {
        std::fprintf(stderr, "cannot create a temporary directory\n");
        return 1;
    }
    Registry registry(temp.filePath(QStringLiteral("VARNIS-A.ini")));
    SystemClock clock;
    ProcessHost host(registry, clock, temp.filePath(QStringLiteral("VarnisProcess.log")));

    TVarnisProcessMain window(host);

    AutoProcessSettings& s = host.settings();
    s.DatuBaze = QStringLiteral("/srv/varnis/PRECES.GDB");
    s.TempDir = QStringLiteral("/var/tmp/varnis");
    s.AutoPrecuAtlikumi = 2;
    s.AtlikumiTime = QStringLiteral("20");
    s.AutoSanemt = 2;
    s.SanemtTime = QStringLiteral("10");
    s.AutoKlasifikatori = 1;
    s.SarakstsPlkst = QStringLiteral("05:00");
    s.D365_GetVisparejieDati = 1;
    s.D365_GetVisparejieDatiPlkst = QStringLiteral("06:30");
    s.D365_Post = 1;
    s.D365_PostTime = QStringLiteral("15");
    s.TelemaaAutoImports = true;
    host.notifySettingsChanged();

    // Not shown: showing would apply the configuration, which needs the database.
    window.ensurePolished();
    window.layout()->activate();
    const QPixmap image = window.grab();

    // The status page over a morning of sample runs.
    {
        RegistryKey a(registry);
        a.OpenKey(QStringLiteral("AutoProcess_Config"), true);
        a.WriteString(QStringLiteral("NeveiktLaiksNo"), QStringLiteral("02:00"));
        a.WriteString(QStringLiteral("NeveiktLaiksLidz"), QStringLiteral("02:30"));
        a.WriteBool(QStringLiteral("EdisoftAutoImport"), false);
        a.WriteBool(QStringLiteral("TelemaaAutoImports"), true);
        a.WriteInteger(QStringLiteral("D365_GetVisparejieDati"), 1);
        a.WriteString(QStringLiteral("D365_GetVisparejieDatiPlkst"), QStringLiteral("06:30"));
        a.WriteInteger(QStringLiteral("D365_GetAkcijuDati"), 0);
        a.WriteInteger(QStringLiteral("D365_GetPavadzimjuDati"), 0);
        a.WriteInteger(QStringLiteral("D365_Post"), 1);
        a.WriteString(QStringLiteral("D365_PostTime"), QStringLiteral("15"));
        RegistryKey w(registry);
        w.OpenKey(QStringLiteral("AutoProcess_WWWExp"), true);
        w.WriteInteger(QStringLiteral("AutoPrecuAtlikumi"), 2);
        w.WriteString(QStringLiteral("AtlikumiTime"), QStringLiteral("20"));
        w.WriteInteger(QStringLiteral("AutoSanemt"), 2);
        w.WriteString(QStringLiteral("SanemtTime"), QStringLiteral("10"));
        w.WriteInteger(QStringLiteral("AutoKlasifikatori"), 1);
        w.WriteString(QStringLiteral("SarakstsPlkst"), QStringLiteral("05:00"));
        w.WriteInteger(QStringLiteral("VestureTips"), 0);
    }
    const QString historyPath = temp.filePath(QStringLiteral("VarnisVesture.sqlite"));
    {
        RunHistory sample(historyPath, nullptr);
        sample.open();
        const QDateTime now = QDateTime::currentDateTime();
        auto add = [&](const char* exchange, int minutesAgo, RunReport::Outcome result, const char* error = "") {
            RunRecord r;
            r.exchange = QString::fromLatin1(exchange);
            r.started = now.addSecs(-60 * minutesAgo);
            r.ended = r.started.addSecs(4);
            r.result = result;
            r.error = QString::fromUtf8(error);
            sample.record(r);
        };
        using O = RunReport::Outcome;
        for (int m = 200; m > 0; m -= 20)
            add("stock", m, O::Done);
        for (int m = 200; m > 0; m -= 10)
            add("orders", m, m > 40 ? O::Done : O::Failed,
                "Pieslēgties pie OpenChart 2/3 datu bāzes neizdevās !!! Can't connect to MySQL server");
        add("lists", 300, O::Done);
        for (int m = 200; m > 0; m -= 5)
            add("telema", m, O::NothingToDo);
        add("d365-general", 250, O::Done);
        for (int m = 200; m > 0; m -= 15)
            add("d365-post", m, O::Done);
        add("web-customers", 90, O::Refused, "WWW Nepilda datu saņemšanu - pildās cits process");
        const QDateTime tomorrow(now.date().addDays(1), QTime());
        sample.publishDue({{QStringLiteral("stock"), now.addSecs(13 * 60)},
                           {QStringLiteral("orders"), now.addSecs(3 * 60)},
                           {QStringLiteral("lists"), tomorrow.addSecs(5 * 3600)},
                           {QStringLiteral("telema"), now.addSecs(2 * 60)},
                           {QStringLiteral("d365-general"), tomorrow.addSecs(6 * 3600 + 1800)},
                           {QStringLiteral("d365-post"), now.addSecs(9 * 60)}});
        sample.noteHostStart(now.addSecs(-4 * 3600));
        sample.noteProbe(now, true);
    }
    host.monitor().openHistory(HostMonitor::Role::OneRun, historyPath);
    host.monitor().refresh();
    window.findChild<QTabWidget*>(QStringLiteral("pgLappuses"))->setCurrentIndex(2);
    window.layout()->activate();
    const QPixmap status = window.grab();

    QDir().mkpath(QFileInfo(output).absolutePath());
    for (const auto& [picture, path] : {std::pair{image, output}, std::pair{status, statusOutput}}) {
        if (!picture.save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(QFileInfo(path).absoluteFilePath()));
    }
    return 0;
}
