#pragma once

#include "StatusReport.h"

#include <QAbstractTableModel>

// The status table of the window's "Stāvoklis" page: one row per exchange, the rows whose
// latest run failed marked.
class StatusTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Exchange, Enabled, Schedule, LastSuccess, NextDue, Runs24h, LastFailure, LastError, ColumnCount };
    // True on the rows of a failing exchange.
    static constexpr int FailingRole = Qt::UserRole + 1;

    using QAbstractTableModel::QAbstractTableModel;

    void setReport(const StatusReport& report);
    const StatusReport& report() const { return report_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    StatusReport report_;
};
