// Renders the main window's settings page to a PNG for the documentation.
// Runs offscreen on a throw-away INI file; no database is opened.

#include "host/ProcessHost.h"
#include "host/Varnisprocessmainform.h"
#include "platform/Clock.h"
#include "platform/Registry.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLayout>
#include <QPixmap>
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

    QDir().mkpath(QFileInfo(output).absolutePath());
    if (!image.save(output, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(output));
        return 1;
    }
    std::printf("%s\n", qPrintable(QFileInfo(output).absoluteFilePath()));
    return 0;
}
