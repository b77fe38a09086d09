#include "StatusTableModel.h"

#include "platform/DateText.h"

#include <QBrush>
#include <QColor>

namespace {

QString shown(const QDateTime& t)
{
    return t.isValid() ? DateText::dateTime(t) : QString();
}

// The window speaks Latvian; the command line's words are English.
QString schedule(const CatalogEntry& e)
{
    if (!e.enabled)
        return e.scheduled ? QStringLiteral("izslēgta") : QStringLiteral("ar pogu / --run");
    if (!e.note.isEmpty())
        return QStringLiteral("ar D365 apmaiņām");
    if (e.kind == CatalogEntry::Kind::Daily)
        return QStringLiteral("katru dienu %1").arg(e.at.toString(QStringLiteral("HH:mm")));
    return QStringLiteral("ik pēc %1 min").arg(e.minutes);
}

}  // namespace

void StatusTableModel::setReport(const StatusReport& report)
{
    beginResetModel();
    report_ = report;
    endResetModel();
}

int StatusTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(report_.exchanges.size());
}

int StatusTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant StatusTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= report_.exchanges.size())
        return {};
    const ExchangeStatus& e = report_.exchanges.at(index.row());
    switch (role) {
    case FailingRole: return e.failing();
    case Qt::BackgroundRole:
        return e.failing() ? QVariant(QBrush(QColor(0xf4, 0xc7, 0xc3))) : QVariant();
    case Qt::ToolTipRole: return e.entry.name;
    case Qt::DisplayRole: break;
    default: return {};
    }
    switch (index.column()) {
    case Exchange: return e.entry.label;
    case Enabled: return e.entry.enabled ? QStringLiteral("jā") : QStringLiteral("nē");
    case Schedule: return schedule(e.entry);
    case LastSuccess: return shown(e.runs.lastSuccess);
    case LastFailure: return shown(e.runs.lastFailure);
    case NextDue: return e.entry.enabled ? shown(e.nextDue) : QString();
    case Runs24h: return QStringLiteral("%1 / %2").arg(e.runs.runs24h).arg(e.runs.failures24h);
    case LastError: return e.runs.lastFailure.isValid() ? e.runs.lastError : QString();
    default: return {};
    }
}

QVariant StatusTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Exchange: return QStringLiteral("Apmaiņa");
    case Enabled: return QStringLiteral("Ieslēgta");
    case Schedule: return QStringLiteral("Grafiks");
    case LastSuccess: return QStringLiteral("Pēdējā veiksmīgā");
    case LastFailure: return QStringLiteral("Pēdējā kļūda");
    case NextDue: return QStringLiteral("Nākamā");
    case Runs24h: return QStringLiteral("24 h: reizes / kļūdas");
    case LastError: return QStringLiteral("Kļūdas teksts");
    default: return {};
    }
}
