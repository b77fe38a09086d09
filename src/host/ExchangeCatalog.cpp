#include "ExchangeCatalog.h"

#include "AutoProcessSettings.h"

#include "platform/DateText.h"
#include "platform/Registry.h"

#include <QDateTime>
#include <functional>

namespace {

using Kind = CatalogEntry::Kind;

struct Def {
    const char* name;
    const char* label;
    bool scheduled;
    bool checked;
};

const Def kDefs[] = {
    {"stock", "WWW preču atlikumi", true, true},
    {"orders", "WWW pasūtījumu saņemšana", true, true},
    {"lists", "WWW saraksti", true, true},
    {"balances", "WWW pavadzīmju vēsture/klientu atlikumi", true, true},
    {"web-customers", "WWW klientu saņemšana", false, false},
    {"edisoft", "Edisoft", true, true},
    {"edisoft-test", "Edisoft tests", false, false},
    {"telema", "Telema", true, true},
    {"equinox-partners", "Equinox nodaļas un klienti", true, true},
    {"equinox-goods", "Equinox preces", true, true},
    {"equinox-orders", "Equinox pasūtījumi", true, true},
    {"equinox-import", "Equinox imports", true, true},
    {"equinox-test", "Equinox FTP tests", false, false},
    {"horizon", "Horizon apmaksas", true, true},
    // Its failures are recorded so that the reason shows; the groups carry the health.
    {"d365-login", "D365 pieslēgšanās", false, false},
    {"d365-general", "D365 vispārējie dati", true, true},
    {"d365-promotions", "D365 akciju dati", true, true},
    {"d365-documents", "D365 pavadzīmju dati", true, true},
    {"d365-post", "D365 Post", true, true},
};

constexpr int kTelemaEdisoftMinutes = 5;

// Runs one guarded group of reads: an error abandons the rest of it.
bool guarded(const std::function<void()>& group)
{
    try {
        group();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// The schedule ComputeNextTime would make of a mode and its texts; throws when it cannot.
void schedule(CatalogEntry& e, int mode, const QString& minutes, const QString& clock)
{
    if (mode == 1) {
        e.kind = Kind::Daily;
        e.at = DateText::parseTime(clock.trimmed());
        e.enabled = true;
    } else if (mode == 2) {
        const int n = DateText::parseInt(minutes);
        if (n < 0 || n >= 24 * 60)
            throw std::runtime_error("minutes out of range");
        e.kind = Kind::EveryMinutes;
        e.minutes = n;
        e.enabled = true;
    }
}

void everyMinutes(CatalogEntry& e, int minutes)
{
    e.kind = Kind::EveryMinutes;
    e.minutes = minutes;
    e.enabled = minutes > 0;  // a zero interval never fires
}

}  // namespace

QString CatalogEntry::scheduleText() const
{
    if (!enabled)
        return scheduled ? QStringLiteral("off") : QStringLiteral("manual");
    if (!note.isEmpty())
        return note;
    switch (kind) {
    case Kind::Daily: return QStringLiteral("daily at %1").arg(at.toString(QStringLiteral("HH:mm")));
    case Kind::EveryMinutes: return QStringLiteral("every %1 min").arg(minutes);
    case Kind::Manual: break;
    }
    return QStringLiteral("manual");
}

qint64 CatalogEntry::allowanceMs() const
{
    if (kind == Kind::Daily)
        return 26LL * 60 * 60 * 1000;
    return 2LL * minutes * 60 * 1000;
}

QStringList ExchangeCatalog::names()
{
    QStringList list;
    for (const Def& d : kDefs)
        list << QString::fromLatin1(d.name);
    return list;
}

const CatalogEntry* ExchangeCatalog::find(const QString& name) const
{
    for (const CatalogEntry& e : entries)
        if (e.name == name)
            return &e;
    return nullptr;
}

ExchangeCatalog ExchangeCatalog::read(Registry& registry)
{
    ExchangeCatalog c;
    for (const Def& d : kDefs) {
        CatalogEntry e;
        e.name = QString::fromLatin1(d.name);
        e.label = QString::fromUtf8(d.label);
        e.scheduled = d.scheduled;
        e.checked = d.checked;
        c.entries << e;
    }
    auto entry = [&c](const char* name) -> CatalogEntry& {
        for (CatalogEntry& e : c.entries)
            if (e.name == QLatin1String(name))
                return e;
        return c.entries.first();  // unreachable: every name is in kDefs
    };

    {
        // The web shop: the apply step leaves its timer off when any schedule fails.
        RegistryKey w(registry);
        if (w.OpenKey(RegistryKeys::AutoProcessWWWExp, false)) {
            struct Www {
                const char* name;
                const char* mode;
                const char* minutes;
                const char* clock;
            };
            const Www www[] = {{"stock", "AutoPrecuAtlikumi", "AtlikumiTime", "AtlikPlkst"},
                               {"orders", "AutoSanemt", "SanemtTime", "SanemPlkst"},
                               {"lists", "AutoKlasifikatori", "SarakstiTime", "SarakstsPlkst"},
                               {"balances", "VestureTips", "VestureTime", "VesturePlkst"}};
            const bool ok = guarded([&] {
                for (const Www& x : www)
                    schedule(entry(x.name), w.ReadInteger(QString::fromLatin1(x.mode)),
                             w.ReadString(QString::fromLatin1(x.minutes)), w.ReadString(QString::fromLatin1(x.clock)));
            });
            if (!ok)
                for (const Www& x : www)
                    entry(x.name).enabled = false;
        }
    }

    RegistryKey a(registry);
    if (!a.OpenKey(RegistryKeys::AutoProcessConfig, false))
        return c;
    guarded([&] {
        c.periodFrom = DateText::parseTime(a.ReadString(QStringLiteral("NeveiktLaiksNo")));
        c.periodTo = DateText::parseTime(a.ReadString(QStringLiteral("NeveiktLaiksLidz")));
        c.periodValid = true;
    });
    // One group as the apply step reads it: a missing Edisoft or Telema switch ends it.
    guarded([&] {
        if (a.ReadBool(QStringLiteral("EdisoftAutoImport")))
            everyMinutes(entry("edisoft"), kTelemaEdisoftMinutes);
        if (a.ReadBool(QStringLiteral("TelemaaAutoImports")))
            everyMinutes(entry("telema"), kTelemaEdisoftMinutes);

        int equinoxMinutes = 0;
        guarded([&] {
            if (a.ReadInteger(QStringLiteral("EquinixAutoApmaina")) == 1)
                equinoxMinutes = DateText::parseInt(a.ReadString(QStringLiteral("EquinixAutoApmainaTime")));
        });
        if (equinoxMinutes > 0) {
            // The tick runs the steps its [EquinoxExp] switches ask for; a missing one ends them.
            RegistryKey e(registry);
            if (e.OpenKey(RegistryKeys::EquinoxExp, false)) {
                guarded([&] {
                    for (const char* step : {"AutoKlienti:equinox-partners", "AutoPreces:equinox-goods",
                                             "AutoPasutijumi:equinox-orders", "AutoImports:equinox-import"}) {
                        const QStringList parts = QString::fromLatin1(step).split(QLatin1Char(':'));
                        if (e.ReadBool(parts[0]))
                            everyMinutes(entry(parts[1].toLatin1().constData()), equinoxMinutes);
                    }
                });
            }
        }
        guarded([&] {
            if (a.ReadInteger(QStringLiteral("HorizonAutoApmaina")) == 1)
                everyMinutes(entry("horizon"),
                             DateText::parseInt(a.ReadString(QStringLiteral("HorizonAutoApmainaTime"))));
        });
        const char* const d365[][4] = {
            {"d365-general", "D365_GetVisparejieDati", "D365_GetVisparejieDatiTime", "D365_GetVisparejieDatiPlkst"},
            {"d365-promotions", "D365_GetAkcijuDati", "D365_GetAkcijuDatiTime", "D365_GetAkcijuDatiPlkst"},
            {"d365-documents", "D365_GetPavadzimjuDati", "D365_GetPavadzimjuDatiTime", "D365_GetPavadzimjuDatiPlkst"}};
        const bool d365Ok = guarded([&] {
            for (const auto& g : d365)
                schedule(entry(g[0]), a.ReadInteger(QString::fromLatin1(g[1])), a.ReadString(QString::fromLatin1(g[2])),
                         a.ReadString(QString::fromLatin1(g[3])));
        });
        if (!d365Ok)
            for (const auto& g : d365)
                entry(g[0]).enabled = false;
        guarded([&] {
            if (a.ReadInteger(QStringLiteral("D365_Post")) == 1)
                everyMinutes(entry("d365-post"), DateText::parseInt(a.ReadString(QStringLiteral("D365_PostTime"))));
        });
    });
    CatalogEntry& login = entry("d365-login");
    for (const char* name : {"d365-general", "d365-promotions", "d365-documents", "d365-post"})
        login.enabled = login.enabled || entry(name).enabled;
    login.note = QStringLiteral("with the D365 runs");
    return c;
}

qint64 ExchangeCatalog::blockedMs(const QDateTime& from, const QDateTime& to) const
{
    if (!periodValid || periodFrom > periodTo || from >= to)
        return 0;
    qint64 blocked = 0;
    // Never more than a few days between a success and now that matter; cap the walk.
    QDate day = from.date();
    for (int i = 0; day <= to.date() && i < 400; day = day.addDays(1), ++i) {
        const QDateTime start(day, periodFrom);
        const QDateTime end(day, periodTo);
        const QDateTime a = std::max(start, from);
        const QDateTime b = std::min(end, to);
        if (a < b)
            blocked += a.msecsTo(b);
    }
    return blocked;
}
