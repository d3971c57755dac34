#include "app/historymodel.h"

#include <QSet>
#include <QTextDocument>

int HistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int HistoryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    return cell(m_rows.at(index.row()), index.column(), role);
}

QVariant HistoryModel::cell(const Archive::Entry &e, int column, int role)
{
    if (role == Qt::ToolTipRole && column == PortColumn)
        // Written by anyone sharing the archive: escaped, so markup shows as typed.
        return Qt::convertFromPlainText(
                QStringLiteral("%1 on %2 (%3)").arg(e.device, e.computer, e.program));
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    switch (column) {
    case IdColumn:
        return QString::number(e.id);
    case TimeColumn:
        return Archive::shownTime(e.takenAt);
    case PortColumn:
        return e.port;
    case CountColumn:
        return QString::number(e.recordCount);
    case NoteColumn:
        return e.note;
    }
    return {};
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *const kTitles[ColumnCount] = {"ID", "Time", "Port", "Records", "Note"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section >= ColumnCount)
        return {};
    return QString::fromLatin1(kTitles[section]);
}

Qt::ItemFlags HistoryModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags base = QAbstractTableModel::flags(index);
    return index.column() == NoteColumn ? base | Qt::ItemIsEditable : base;
}

bool HistoryModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || index.column() != NoteColumn || index.row() >= m_rows.size())
        return false;
    Archive::Entry &e = m_rows[index.row()];
    if (e.note == value.toString())
        return true;
    e.note = value.toString();
    emit dataChanged(index, index);
    emit noteEdited(e.id, e.note);
    return true;
}

bool HistoryModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && !m_complete && !m_fetching;
}

void HistoryModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    m_fetching = true;
    emit moreWanted();
}

void HistoryModel::merge(const QList<Archive::Entry> &entries, bool complete)
{
    // Both lists run newest first, and a row never moves: walk them together, dropping the rows
    // that went, inserting those that came, refreshing those that stay.
    QSet<qint64> wanted;
    for (const Archive::Entry &e : entries)
        wanted.insert(e.id);
    int row = 0;
    for (const Archive::Entry &e : entries) {
        while (row < m_rows.size() && !wanted.contains(m_rows.at(row).id)) {
            beginRemoveRows({}, row, row);
            m_rows.remove(row);
            endRemoveRows();
        }
        if (row < m_rows.size() && m_rows.at(row).id == e.id) {
            refresh(row, e);
        } else {
            beginInsertRows({}, row, row);
            m_rows.insert(row, e);
            endInsertRows();
        }
        ++row;
    }
    if (row < m_rows.size()) {
        beginRemoveRows({}, row, int(m_rows.size()) - 1);
        m_rows.resize(row);
        endRemoveRows();
    }
    m_complete = complete;
    m_fetching = false;
}

void HistoryModel::refresh(int row, const Archive::Entry &entry)
{
    // Only the cells that changed: a view gives an open editor the text of its cell whenever
    // that is said to change, which would wipe a note being typed.
    const Archive::Entry before = std::exchange(m_rows[row], entry);
    for (int column = 0; column < ColumnCount; ++column) {
        if (cell(before, column, Qt::DisplayRole) != cell(entry, column, Qt::DisplayRole)
            || cell(before, column, Qt::ToolTipRole) != cell(entry, column, Qt::ToolTipRole))
            emit dataChanged(index(row, column), index(row, column));
    }
}

void HistoryModel::append(const QList<Archive::Entry> &entries, bool complete)
{
    if (!entries.isEmpty()) {
        beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + entries.size()) - 1);
        m_rows.append(entries);
        endInsertRows();
    }
    m_complete = complete;
    m_fetching = false;
}

std::optional<Archive::Entry> HistoryModel::last() const
{
    return m_rows.isEmpty() ? std::nullopt : std::optional(m_rows.last());
}
