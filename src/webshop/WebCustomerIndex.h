#pragma once

#include <QHash>
#include <QList>
#include <QString>

class FbDatabase;

// A delivery branch of a web customer (N_KL_STRV), as the look-ups need it.
struct WebBranch {
    int isn = 0;
    int isKlient = 0;
    int isNodalaWww = 0;
    QString adrese;
    QString firstName;
    QString lastName;
};

// The goods database's web customers by e-mail, read once per run: the shop's log-in compares
// e-mails trimmed and without case, which an indexed equality in SQL cannot, and a run looks
// up every shop customer. Rows the run adds are added here as well.
class WebCustomerIndex {
public:
    void load(FbDatabase& db);

    // The customer of the first branch with the e-mail, else the first customer subscribed
    // with it; 0 when none. An empty e-mail finds nobody.
    int customerOf(const QString& email) const;
    // The first branch with the e-mail and that address text.
    const WebBranch* branchAt(const QString& email, const QString& adrese) const;
    const WebBranch* firstBranch(const QString& email) const;
    // The branch with all of these, as the import checks before adding one.
    bool hasBranch(int isKlient, const QString& email, const QString& firstName, const QString& lastName,
                   const QString& adrese) const;

    void addCustomer(const QString& email, int isKlient);
    void addBranch(const QString& email, const WebBranch& branch);

private:
    QHash<QString, QList<WebBranch>> branches_;  // by e-mail key, in key order
    QHash<QString, int> subscribers_;            // N_KLIENT.SUBSCRIBE_MAIL, the first customer
};

// The department serving each shop zone: N_DEPART.WEB_ZONE_ID lists zones as whole items
// ("|3513|3514|"); zone 0 is none.
class ZoneDepartments {
public:
    void load(FbDatabase& db);
    int departmentOf(int zone) const { return zone > 0 ? departments_.value(zone) : 0; }

    // The zone numbers of a list text.
    static QList<int> zones(const QString& list);

private:
    QHash<int, int> departments_;
};
