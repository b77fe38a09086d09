#include "EquinoxSendGoods.h"

#include "EquinoxXmlFile.h"

#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Log.h"
#include "platform/Registry.h"
#include "platform/RunReport.h"

#include <QLocale>
#include <cmath>

namespace {

const QString kKey = QStringLiteral("EquinoxExp");
const QString kMark = QStringLiteral("LastPrecesFTP");
// A goods file is closed when the running count reaches a multiple of this.
constexpr int kFileSize = 1000;

const char* const kGroupsSql = "SELECT N_PRGRUP.ISN, N_PRGRUP.ISPARENT, N_PRGRUP.GNOS FROM N_PRGRUP ORDER BY N_PRGRUP.ISN";
const char* const kTareSql = "SELECT N_KLPREC.ISN FROM N_KLPREC WHERE N_KLPREC.TARA='T' AND N_KLPREC.ARTIKULS!=''";
const char* const kGoodsSql =
    "SELECT N_KLPREC.ISN FROM N_KLPREC WHERE (N_KLPREC.TARA IS NULL OR N_KLPREC.TARA='F') AND N_KLPREC.ARTIKULS!='' ";
const char* const kChangedSql = " AND N_KLPREC.EDITDAT>=:EDITDAT ";
const char* const kOrderSql = " order by N_KLPREC.ISN";

const char* const kArticleSql =
    "SELECT N_KLPREC.ISN, N_KLPREC.TARA, N_KLPREC.GNOS, N_KLPREC.ISPRGRUPA, N_KLPREC.DERDIENAS_MAX, "
    "N_KLPREC.MERVIENIBA, N_KLPREC.GABALPRECE, N_KLPREC.PRECES_TIPS, N_KLPREC.NETTO, N_KLPREC.BRUTOSVARS, "
    "N_KLPREC.GARUMS, N_KLPREC.PLATUMS, N_KLPREC.AUGSTUMS, N_KLPREC.PALETE_H, N_KLPREC.KOP_TILPUMS, "
    "N_KLPREC.IR_DALAMA, N_KLPREC.SKKASTE, N_KLPREC.SKKASTELIELA, N_KLPREC.SKPALETE, N_KLPREC.MIN_PASUT, "
    "N_KLPREC.MUITASKODS_RUS, N_KLPREC.PALETE_KARTAS, N_KLPREC.ARTIKULS, N_KLPREC.ARTIKULS2, N_KLPREC.ARTIKULS3, "
    "N_KLPREC.ARTIKULS4, N_KLPREC.ARTIKULS5, N_KLPREC.ARTIKULS6, N_KLPREC.ARTIKULS7, "
    "N_PRGRUP.EQUINOXPROCESSINGTYPE FROM N_KLPREC LEFT JOIN N_PRGRUP ON N_PRGRUP.ISN = N_KLPREC.ISPRGRUPA "
    "WHERE N_KLPREC.ISN=:ISN";

// Positions of kArticleSql's columns: an article is read by position, not by name, as
// 100,000 of them go out in one run.
enum Column {
    ISN, TARA, GNOS, ISPRGRUPA, DERDIENAS_MAX, MERVIENIBA, GABALPRECE, PRECES_TIPS, NETTO, BRUTOSVARS, GARUMS,
    PLATUMS, AUGSTUMS, PALETE_H, KOP_TILPUMS, IR_DALAMA, SKKASTE, SKKASTELIELA, SKPALETE, MIN_PASUT,
    MUITASKODS_RUS, PALETE_KARTAS, ARTIKULS, ARTIKULS2, ARTIKULS3, ARTIKULS4, ARTIKULS5, ARTIKULS6, ARTIKULS7,
    EQUINOXPROCESSINGTYPE
};

QString text(const SqlQuery& row, Column c)
{
    return row.value(c).toString();
}

bool isT(const SqlQuery& row, Column c)
{
    return text(row, c).trimmed() == QLatin1String("T");
}

double number(const SqlQuery& row, Column c)
{
    return row.value(c).toDouble();
}

// A number as the database holds it; nothing when it is empty.
QString stored(const SqlQuery& row, Column c)
{
    const QVariant v = row.value(c);
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float)
        return EquinoxSendGoods::numberText(v.toDouble());
    return v.toString().trimmed();
}

}  // namespace

EquinoxSendGoods::EquinoxSendGoods(ExchangeContext& context, EquinoxLogin login, bool onlyChanged)
    : context_(context), connection_(context, std::move(login)), onlyChanged_(onlyChanged)
{
}

QString EquinoxSendGoods::numberText(double value)
{
    // A shortest round-trip text of at most 15 significant digits is what rounding to 15
    // digits gives, and between 1e-4 and 1e15 the 'g' form writes it in fixed notation.
    const double magnitude = std::abs(value);
    if (magnitude >= 1e-4 && magnitude < 1e15) {
        const QString text = QString::number(value, 'f', QLocale::FloatingPointShortest);
        int digits = 0;
        bool leading = true;
        for (const QChar c : text) {
            if (!c.isDigit() || (leading && c == QLatin1Char('0')))
                continue;
            leading = false;
            ++digits;
        }
        if (digits <= 15)
            return text;
    }
    return DateText::floatText(value);
}

const char* EquinoxSendGoods::articleSql()
{
    return kArticleSql;
}

void EquinoxSendGoods::writeArticle(EquinoxXmlFile& f, const SqlQuery& row)
{
    using D = EquinoxXmlFile;
    const bool tare = isT(row, TARA);
    f.begin(D::Entity, "article");
    f.field(D::Field, "article_id", text(row, ISN));
    f.field(D::Field, "article_type", tare ? QStringLiteral("TARE") : QStringLiteral("SKU"));
    f.text(D::Field, "description", text(row, GNOS));
    f.field(D::Field, "article_group_id", stored(row, ISPRGRUPA));
    const QString shelfLife = stored(row, DERDIENAS_MAX);
    if (!shelfLife.isEmpty())
        f.field(D::Field, "shelflife_period", shelfLife);

    QString unit = text(row, MERVIENIBA);
    if (unit.trimmed().isEmpty())
        unit = QStringLiteral("GB");
    QString weightCtrl = QStringLiteral("WEIGH");
    if (isT(row, GABALPRECE)) {
        const QString kind = text(row, PRECES_TIPS).trimmed();
        if (kind == QLatin1String("FIXED")) {
            weightCtrl = kind;
            unit = QStringLiteral("GAB");
        } else if (kind == QLatin1String("SCAN_PACK")) {
            weightCtrl = kind;
        } else {
            weightCtrl = QStringLiteral("LOT");
        }
    }
    f.field(D::Field, "weight_ctrl", weightCtrl);
    f.text(D::Field, "base_unit_of_measure", unit);
    f.field(D::Field, "processing_type",
            row.value(EQUINOXPROCESSINGTYPE).toInt() != 0 ? QStringLiteral("XDOCK") : QStringLiteral("PICKING"));

    const std::pair<const char*, Column> measures[] = {
        {"net_weight", NETTO}, {"gross_weight", BRUTOSVARS}, {"length", GARUMS}, {"width", PLATUMS}, {"height", AUGSTUMS}};
    for (const auto& [tag, column] : measures) {
        const QString v = stored(row, column);
        if (!v.isEmpty())
            f.field(D::Field, tag, v);
    }
    const double palletHeight = number(row, PALETE_H);
    if (palletHeight > 0)
        f.field(D::Field, "loc_height", DateText::fixedText(palletHeight, 3));
    const double volume = number(row, KOP_TILPUMS);
    if (volume > 0)
        f.field(D::Field, "volume", DateText::fixedText(volume, 3));
    if (tare)
        f.field(D::Field, "commodity", QStringLiteral("TARE"));
    f.field(D::Field, "breakable", isT(row, IR_DALAMA) ? QStringLiteral("1") : QStringLiteral("0"));

    if (!tare) {
        const std::pair<const char*, Column> packs[] = {
            {"ud_field_1", SKKASTE}, {"ud_field_2", SKKASTELIELA}, {"ud_field_3", SKPALETE}};
        for (const auto& [tag, column] : packs)
            if (number(row, column) > 0)
                f.field(D::Field, tag, stored(row, column));
        const QString minimum = stored(row, MIN_PASUT);
        if (!minimum.isEmpty())
            f.field(D::Field, "ud_field_5", minimum);
        const QString customs = text(row, MUITASKODS_RUS);
        if (!customs.trimmed().isEmpty())
            f.text(D::Field, "ud_field_6", customs);
        const int layers = row.value(PALETE_KARTAS).toInt();
        if (layers > 0)
            f.field(D::Field, "ud_field_7", QString::number(layers));
    }

    f.begin(D::Field, "article_barcodes");
    const QString main = text(row, ARTIKULS).trimmed();
    for (const Column column : {ARTIKULS, ARTIKULS2, ARTIKULS3, ARTIKULS4, ARTIKULS5, ARTIKULS6, ARTIKULS7}) {
        const QString code = text(row, column);
        if (code.trimmed().isEmpty())
            continue;
        f.begin(D::Item, "barcode_data");
        f.text(D::ItemField, "barcode", code);
        f.field(D::ItemField, "is_main", code.trimmed() == main ? QStringLiteral("1") : QStringLiteral("0"));
        f.end(D::Item, "barcode_data");
    }
    f.end(D::Field, "article_barcodes");
    f.end(D::Entity, "article");
}

QByteArray EquinoxSendGoods::groups()
{
    using D = EquinoxXmlFile;
    EquinoxXmlFile f(connection_.xmlNamespace(), "article_groups");
    SqlQuery q(context_.dati.PRECES_DB(), QLatin1String(kGroupsSql));
    q.open();
    for (; !q.eof(); q.next()) {
        f.begin(D::Entity, "article_group");
        f.field(D::Field, "article_group_id", q.asString(QStringLiteral("ISN")));
        f.text(D::Field, "description", q.asString(QStringLiteral("GNOS")));
        f.field(D::Field, "parent_id", QString::number(q.asInt(QStringLiteral("ISPARENT"))));
        f.end(D::Entity, "article_group");
    }
    context_.report.moved(f.entities());
    return f.close();
}

QList<int> EquinoxSendGoods::goodsKeys(bool tare, const QDateTime& since)
{
    QString sql = QLatin1String(tare ? kTareSql : kGoodsSql);
    if (onlyChanged_)
        sql += QLatin1String(kChangedSql);
    sql += QLatin1String(kOrderSql);
    SqlQuery q(context_.dati.PRECES_DB(), sql);
    if (onlyChanged_)
        q.bind(QStringLiteral("EDITDAT"), QDateTime(since.date(), QTime(0, 0)));
    q.open();
    QList<int> keys;
    keys.reserve(q.rowCount());
    for (; !q.eof(); q.next())
        keys << q.asInt(QStringLiteral("ISN"));
    return keys;
}

QDateTime EquinoxSendGoods::lastExport()
{
    RegistryKey key(context_.registry);
    if (key.OpenKey(kKey, false) && key.ValueExists(kMark))
        return key.ReadDateTime(kMark);
    return DateText::neverRun();
}

bool EquinoxSendGoods::run()
{
    if (!connection_.check())
        return false;
    Log& log = context_.log;
    // Goods edited while the files are made go again next time: the mark is the start.
    const QDateTime started = context_.clock.now();
    const QDateTime since = lastExport();
    bool ok = true;

    log.WriteLog(QStringLiteral("Equinox Sagatavoju preču grupu sarakstu..."));
    const QByteArray groupFile = groups();
    log.WriteLog(QStringLiteral("Equinox Preču grupu saraksta sagatavošana OK"));
    ok = connection_.upload(QStringLiteral("article_groups.XML"), groupFile) && ok;

    SqlQuery article(context_.dati.PRECES_DB(), QLatin1String(kArticleSql));
    const auto write = [&article](EquinoxXmlFile& file, int key) {
        article.bind(QStringLiteral("ISN"), key);
        article.open();
        if (article.isEmpty())
            return false;
        writeArticle(file, article);
        return true;
    };

    log.WriteLog(QStringLiteral("Sagatavoju taras sarakstu..."));
    int count = 1;
    {
        EquinoxXmlFile tare(connection_.xmlNamespace(), "articles");
        for (int key : goodsKeys(true, since))
            count += write(tare, key) ? 1 : 0;
        context_.report.moved(tare.entities());
        log.WriteLog(QStringLiteral("Equinox Taras saraksts OK"));
        ok = connection_.upload(QStringLiteral("tare.XML"), tare.close()) && ok;
    }

    log.WriteLog(QStringLiteral("Equinox Sagatavoju preču sarakstu..."));
    const QString ns = connection_.xmlNamespace();
    auto file = std::make_unique<EquinoxXmlFile>(ns, "articles");
    int part = 0;
    for (int key : goodsKeys(false, since)) {
        if (count % kFileSize == 0) {
            count = 1;
            // A count that starts on a multiple (999 tare) closes no empty file.
            if (!file->isEmpty()) {
                context_.report.moved(file->entities());
                ok = connection_.upload(QStringLiteral("articles%1.XML").arg(++part), file->close()) && ok;
                file = std::make_unique<EquinoxXmlFile>(ns, "articles");
            }
        }
        count += write(*file, key) ? 1 : 0;
    }
    context_.report.moved(file->entities());
    log.WriteLog(QStringLiteral("Equinox Preču saraksta sagatavošana OK"));
    ok = connection_.upload(QStringLiteral("articles.XML"), file->close()) && ok;

    if (ok) {
        RegistryKey key(context_.registry);
        key.OpenKey(kKey, true);
        key.WriteDateTime(kMark, started);
        key.CloseKey();
    }
    return ok;
}
