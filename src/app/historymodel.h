#pragma once

#include "core/archiveentry.h"

#include <QAbstractTableModel>
#include <QList>

#include <optional>

// The History dialog's rows: entries of the archive without their records, newest first, as
// many as have been fetched. The view asks for more as it scrolls (fetchMore), which the model
// passes on as moreWanted(); the pages come back through append(). A reload comes back through
// merge(), which keeps the rows that stay, so the selection and an open note editor survive it.
class HistoryModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { IdColumn, TimeColumn, PortColumn, CountColumn, NoteColumn, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

    // The fetched rows become `entries` (complete: there are no more), rows kept in place.
    void merge(const QList<Archive::Entry> &entries, bool complete);
    // One more page after the last row.
    void append(const QList<Archive::Entry> &entries, bool complete);
    // A page is on its way: the view is not to ask again meanwhile.
    void setFetching(bool fetching) { m_fetching = fetching; }
    std::optional<Archive::Entry> last() const;
    qint64 idAt(int row) const { return m_rows.at(row).id; }

signals:
    void moreWanted();
    void noteEdited(qint64 id, const QString &note);

private:
    static QVariant cell(const Archive::Entry &entry, int column, int role);
    void refresh(int row, const Archive::Entry &entry);

    QList<Archive::Entry> m_rows;
    bool m_complete = true;
    bool m_fetching = false;
};
