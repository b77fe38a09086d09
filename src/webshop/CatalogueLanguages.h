#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>

// The shop's languages and the goods database's five name columns (GNOS, GNOS2, GNOS3,
// GNOS4, GNOS_RUS, with the description columns WWW_COMENT ... WWW_COMENT_RUS beside
// them): each shop language shows the column whose WWW_KODS_* names it, and a language
// that none names shows the main name and the main description.
class CatalogueLanguages {
public:
    static constexpr int kColumns = 5;

    CatalogueLanguages() = default;
    // codes: WWW_KODS_GNOS .. WWW_KODS_GNOS_RUS; 0 names no language.
    CatalogueLanguages(const QList<int>& shopLanguages, const QList<int>& codes) : ids_(shopLanguages)
    {
        for (int id : ids_) {
            int column = -1;
            for (int c = 0; c < codes.size() && c < kColumns; ++c) {
                if (codes.at(c) > 0 && codes.at(c) == id) {
                    column = c;
                    break;
                }
            }
            columns_ << column;
        }
    }

    const QList<int>& ids() const { return ids_; }
    int count() const { return int(ids_.size()); }
    // The name column of the language at index: 0 .. 4, or -1 when none names it.
    int column(int index) const { return columns_.at(index); }

    // The name in the language at index: its own column, the main name where it has none or
    // an empty one.
    QString name(int index, const QStringList& names, const QString& mainName) const
    {
        const int c = column(index);
        if (c <= 0 || c >= names.size() || names.at(c).trimmed().isEmpty())
            return mainName;
        return names.at(c);
    }
    // The description in the language at index: its own column, the main one where no
    // column names the language.
    QString description(int index, const QStringList& descriptions) const
    {
        const int c = std::max(0, column(index));
        return c < descriptions.size() ? descriptions.at(c) : QString();
    }

private:
    QList<int> ids_;
    QList<int> columns_;
};
