#pragma once

#include <QString>

// The values of the settings page, named after their registry values.
// Radio groups hold their item index.
struct AutoProcessSettings {
    QString DatuBaze;
    QString TempDir;
    QString NeveiktLaiksNo = QStringLiteral(" 0:10");
    QString NeveiktLaiksLidz = QStringLiteral("23:59");

    int AutoPrecuAtlikumi = 0;
    QString AtlikPlkst = QStringLiteral("10:00");
    QString AtlikumiTime = QStringLiteral("20");
    int AutoKlasifikatori = 0;
    QString SarakstsPlkst = QStringLiteral("10:00");
    QString SarakstiTime = QStringLiteral("20");
    int AutoSanemt = 0;
    QString SanemPlkst = QStringLiteral("10:00");
    QString SanemtTime = QStringLiteral("20");
    int VestureTips = 0;
    QString VesturePlkst = QStringLiteral("10:00");
    QString VestureTime = QStringLiteral("20");

    bool EdisoftAutoImport = false;
    bool TelemaaAutoImports = false;
    int EquinixAutoApmaina = 0;
    QString EquinixAutoApmainaTime = QStringLiteral("20");
    int HorizonAutoApmaina = 0;
    QString HorizonAutoApmainaTime = QStringLiteral("20");

    int D365_GetVisparejieDati = 0;
    QString D365_GetVisparejieDatiPlkst = QStringLiteral("10:00");
    QString D365_GetVisparejieDatiTime = QStringLiteral("20");
    int D365_GetAkcijuDati = 0;
    QString D365_GetAkcijuDatiPlkst = QStringLiteral("10:00");
    QString D365_GetAkcijuDatiTime = QStringLiteral("20");
    int D365_GetPavadzimjuDati = 0;
    QString D365_GetPavadzimjuDatiPlkst = QStringLiteral("10:00");
    QString D365_GetPavadzimjuDatiTime = QStringLiteral("20");
    int D365_Post = 0;
    QString D365_PostTime = QStringLiteral("20");

    bool operator==(const AutoProcessSettings&) const = default;
};

// Registry keys of the host.
namespace RegistryKeys {
inline const QString AutoProcessConfig = QStringLiteral("AutoProcess_Config");  // key A
inline const QString AutoProcessWWWExp = QStringLiteral("AutoProcess_WWWExp");  // key W
inline const QString EquinoxExp = QStringLiteral("EquinoxExp");
inline const QString D365 = QStringLiteral("D365");
}  // namespace RegistryKeys
