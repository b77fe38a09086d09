#pragma once

#include "D365PriceLevels.h"
#include "D365Record.h"

#include <QList>
#include <QMap>
#include <QString>
#include <functional>

class D365Connection;
struct ExchangeContext;

// Prices into the goods register from the complete lists the service offers: sales price
// levels, new purchase prices, promotion prices and labels. Every value is bound, never
// pasted into SQL; only column names come from level numbers. A record whose values cannot
// be read or stored logs its line and is skipped, and the list goes on: with no mark to
// hold, stopping would keep every later price out on every run. Each record is committed
// on its own; an unchanged price writes nothing, so the whole list can come every time.
class D365Prices {
public:
    D365Prices(ExchangeContext& context, D365Connection& connection);

    // 0 on success, -1 on a logged transport or reply failure.
    int GetPrices();
    int GetPurchPrices();
    int GetPromoPeriod();
    int GetPromoPeriodA();

    // The two sales price levels a GetPrices record sets, the first being the one departments
    // sell at; {} when the record sets none.
    static QList<int> targetLevels(const QString& brandType, const QString& priceLevelType);
    // "dd.MM.yyyy-dd.MM.yyyy" of a promotion's FromDatePromo and ToDatePromo.
    static QString periodText(const D365Record& r);
    static bool isLive(const QString& promoStatus);

    D365PriceLevels& levels() { return levels_; }

private:
    // One record under the update-error rule; importRecord gets its Product.
    void imported(const D365Record& r, const std::function<void(const QString&)>& importRecord);
    // The record could not be stored: what it wrote is undone, the levels it had set get
    // their old prices back (with what depends on them), and the update-error line is logged.
    void failed(const QString& product, const QString& error, int isn, const QMap<int, double>& oldLevels);
    void journal(const QString& code, int isn, const QString& note);
    void commit();

    ExchangeContext& ctx_;
    D365Connection& connection_;
    D365PriceLevels levels_;
    int failedIsn_ = 0;
    QMap<int, double> failedLevels_;  // level -> its price before the record
    QList<int> failedMarkups_;
};
