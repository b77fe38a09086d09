#pragma once

#include <QDate>
#include <QList>
#include <QString>

// What an E-Document sent to Telema is made of, as read from the goods database.

// The own company (N_ISI).
struct TelemaCompany {
    QString isiorgnos, isiregnr, isinod_nr, isiorgadr, isiorgvalsts, isibanknos, isibankkods, isikorkonts;
};

struct TelemaVatGroup {
    double nodoklis = 0;
    double summa = 0;     // before VAT
    double pvnsumma = 0;  // the VAT
};

struct TelemaItem {
    QString gnos;
    QString sellerItemCode;
    QString gtin;
    bool hasBaseUnit = true;
    QString baseUnit;
    double daudzums = 0;
    double atlaide = 0;  // discount (or markup), percent
    double cena = 0;
    double cena_ar_atlaidi = 0;
    double summa_ar_atlaidi = 0;
    double nodoklis = 0;
    double nod_summa = 0;
    double ar_nod_summa = 0;
    bool reverseCharge = false;  // invoices: the line's VAT is reverse-charged
};

// A purchase order to a supplier.
struct TelemaOrderDocument {
    QDate today;
    TelemaCompany company;
    // the ordering department
    QString TELEMAA_KODS, NODALA, NOD_ADRESE;
    // the supplier
    QString FTP_KLKODS, gnos, regnr, pvnkods, adrese, pastindeks, valsts;
    bool withoutPrices = false;  // FTP_BEZIEP_C
    QString nr_pavadz, pz_serija;
    QDate datums, dat_piegade;
    double bezpvnsumma = 0;
    QList<TelemaVatGroup> groups;
    QList<TelemaItem> items;
};

// An issued invoice to a customer.
struct TelemaInvoiceDocument {
    QDate today;
    TelemaCompany company;
    // the customer and its bank
    QString gnos, regnr, pvnkods, adrese, pastindeks, valsts, konts, bank_kods, bank_gnos;
    // the customer's branch the invoice goes to
    QString branchKods, branchGnos, branchAdrese;
    QString NOD_ADRESE;
    QString nr_pavadz, pz_serija, PASUT_NR;
    QDate datums, APM_LIDZ, dat_atkr;
    double bezpvnsumma = 0, pvnsumma = 0, kopsumma = 0;
    bool reverseCharge = false;       // PVN_REVERSS "T"
    double reverseChargeTotal = 0;    // of the reverse-charged lines
    QList<TelemaVatGroup> groups;     // of the taxed lines
    QList<TelemaItem> items;
};

// The document texts, before Base64. Names and addresses are cleaned for XML, every other
// text is entity-escaped.
namespace TelemaEDocument {

QString orderText(const TelemaOrderDocument& d);
QString invoiceText(const TelemaInvoiceDocument& d);

// {"charset": "UTF-8","document": "<Base64>","filename": "..."}
QByteArray uploadBody(const QString& documentText, const QString& filename);

}  // namespace TelemaEDocument
