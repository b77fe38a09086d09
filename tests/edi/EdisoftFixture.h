#pragma once

#include "documents/DocumentsFixture.h"

#include "db/ExchangeContext.h"
#include "edi/EdisoftExchange.h"
#include "platform/BusyFlag.h"
#include "platform/Registry.h"
#include "platform/RunReport.h"

#include <QDir>
#include <QFile>
#include <QSettings>

// The Edisoft run on a real goods database and real directories orders/, receipts/ and
// messages/ under the test's directory. Sample files are edited with QByteArray::replace.
class EdisoftTest : public DocumentsTest {
protected:
    BusyFlag busy;
    RunReport report;
    std::unique_ptr<Registry> registry;
    std::unique_ptr<ExchangeContext> ctx;
    std::unique_ptr<EdisoftExchange> edisoft;

    // Supplier 2 keeps its codes in ARTIKULS2; customer 4 has a branch with an EDI code.
    // edits: replacements in the [Edisoft] text, such as {"Isnodala=3", "Isnodala=0"}.
    void start(QStringList sql = {}, const QList<QPair<QString, QString>>& edits = {})
    {
        sql << "UPDATE N_KLIENT SET FTP_ARTIKULS2=2 WHERE ISN=2"
            << "INSERT INTO N_KL_STRV (ISN, ISKLIENT, GNOS, KODS, FTP_KLKODS) VALUES (7, 4, 'Rīts Centrs', 'K7', '4750000077777')"
            << "UPDATE N_KLPREC SET PASTAVIGATLAID=-3 WHERE ISN=102";
        open(sql);
        QFile ini(dir.filePath("VARNIS-A.ini"));
        ini.open(QIODevice::WriteOnly);
        QString text = QStringLiteral("[Edisoft]\nKatalogs=%1/orders\nIsnodala=3\nKatalogsSanem=%1/receipts\n"
                                      "SanNeapstiprin=true\nKatalogsPasutOut=\nKatalogsMessage=%1/messages\n"
                                      "KlientaAtpazisana=0\nPasutijumaDatumaFlag=0\nTestFails=\n").arg(dir.path());
        for (const auto& e : edits)
            text.replace(e.first, e.second);
        ini.write(text.toUtf8());
        ini.close();
        for (const char* sub : {"orders", "receipts", "messages"})
            QDir(dir.path()).mkpath(sub);
        registry = std::make_unique<Registry>(ini.fileName());
        ctx.reset(new ExchangeContext{log, busy, *registry, *dati, dialogs, clock, report});
        edisoft = std::make_unique<EdisoftExchange>(*ctx);
    }

    // A file last changed ageSeconds before the clock's now.
    void put(const QString& sub, const QString& name, const QByteArray& text, int ageSeconds = 60)
    {
        QFile f(dir.filePath(sub + "/" + name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        f.flush();
        f.setFileTime(clock.now().addSecs(-ageSeconds), QFileDevice::FileModificationTime);
    }
    bool exists(const QString& relative) const { return QFile::exists(dir.filePath(relative)); }
    RunReport::Outcome run()
    {
        report.begin();
        return report.outcome(edisoft->EdisoftImpProcess());
    }
    // The log file: whole lines, where the list splits long ones.
    QString logText() const
    {
        QFile f(log.filePath());
        f.open(QIODevice::ReadOnly);
        return QString::fromUtf8(f.readAll());
    }
    int logCount(const QString& fragment) const { return logText().count(fragment); }

    // Each row's values joined by '|', numbers in their shortest form.
    QStringList rows(const QString& sql)
    {
        SqlQuery q(db->connection(), sql);
        QStringList out;
        for (q.open(); !q.eof(); q.next()) {
            QStringList values;
            for (int i = 0; i < q.fieldNames().size(); ++i)
                values << (q.value(i).typeId() == QMetaType::QString ? q.value(i).toString().trimmed()
                                                                      : QString::number(q.value(i).toDouble()));
            out << values.join('|');
        }
        return out;
    }

public:
    static QByteArray receipt()
    {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Document-Invoice>\n<InvoiceNumber>R-1</InvoiceNumber>\n"
               "<InvoiceDate>2026-12-01</InvoiceDate>\n<SalesDate>2026-12-02</SalesDate>\n<Remarks>Piegāde &amp; izkraušana"
               "</Remarks>\n<InvoicePaymentDueDate>2026-12-31</InvoicePaymentDueDate>\n<BuyerOrderNumber>PO-7</BuyerOrderNumber>\n"
               "<Buyer>\n<TaxID>LV40003999999</TaxID>\n</Buyer>\n<Seller>\n<TaxID>LV40003000001</TaxID>\n</Seller>\n"
               "<DeliveryLocationNumber>E-02</DeliveryLocationNumber>\n<Line>\n<EAN>4750000001001</EAN>\n"
               "<InvoiceQuantity>10</InvoiceQuantity>\n<NetAmount>9,00</NetAmount>\n<InvoiceUnitNetPrice>0.95</InvoiceUnitNetPrice>\n"
               "<TaxRate>21</TaxRate>\n<Remarks>Sert. \"A\" 'B'</Remarks>\n</Line>\n<Line>\n<SupplierItemCode>P-1001</SupplierItemCode>\n"
               "<InvoiceQuantity>2</InvoiceQuantity>\n<NetAmount>3</NetAmount>\n<Remarks>Sert. \"A\" 'B'</Remarks>\n</Line>\n"
               "<Line>\n<EAN>4759999999999</EAN>\n<ItemDescription>Jauna prece</ItemDescription>\n<UnitOfMeasure>kg</UnitOfMeasure>\n"
               "<InvoiceQuantity>4</InvoiceQuantity>\n<NetAmount>4.4</NetAmount>\n</Line>\n<Line>\n<EAN>4750000002001</EAN>\n"
               "<InvoiceQuantity>0</InvoiceQuantity>\n</Line>\n<TotalLines>4</TotalLines>\n</Document-Invoice>\n";
    }
    static QByteArray order()
    {
        return "<Document-Order>\n<OrderNumber>P-100</OrderNumber>\n<OrderDate>2026-12-05</OrderDate>\n"
               "<ExpectedDeliveryDate>2026-12-08</ExpectedDeliveryDate>\n<Buyer>\n<ILN>4750000099999</ILN>\n</Buyer>\n"
               "<DeliveryPoint>\n<ILN>C000004</ILN>\n</DeliveryPoint>\n<Line>\n<EAN>4750000001001</EAN>\n"
               "<OrderedQuantity>2</OrderedQuantity>\n<OrderedUnitPacksize>6</OrderedUnitPacksize>\n"
               "<OrderedNetAmount>10</OrderedNetAmount>\n</Line>\n<Line>\n<EAN>4750000002001</EAN>\n<OrderedQuantity>3</OrderedQuantity>\n"
               "<OrderedUnitPacksize>0</OrderedUnitPacksize>\n<OrderedNetAmount>0</OrderedNetAmount>\n</Line>\n<Line>\n"
               "<EAN>4759999999998</EAN>\n<OrderedQuantity>5</OrderedQuantity>\n<OrderedNetAmount>7,5</OrderedNetAmount>\n</Line>\n"
               "<TotalLines>3</TotalLines>\n</Document-Order>\n";
    }
};
