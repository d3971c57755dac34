#pragma once

#include "core/archiveentry.h"

#include <QDialog>
#include <QHash>
#include <QSet>
#include <QString>

#include <functional>
#include <optional>

class ArchiveReader;
class ArchiveWriter;
class HistoryModel;
class QBoxLayout;
class QCheckBox;
class QDateEdit;
class QDialogButtonBox;
class QLabel;
class QPushButton;
class QTableView;

// "History": the archive's past downloads, newest first (ID, time in the viewer's zone, port,
// record count and a note the user may type), optionally only those of a span of the viewer's
// local dates. "Open" hands the chosen entry to the window, which shows its listing rebuilt from
// its records; "Report..." hands it over for its report. It reads where the window's writer
// writes, through a reader on a thread of its own: the rows come a page at a time as the list
// scrolls, "Loading..." says a read is under way, and the list is read again after each download
// archived while it is open, keeping the selection and a note being typed.
class HistoryDialog : public QDialog
{
    Q_OBJECT

public:
    explicit HistoryDialog(ArchiveWriter &writer, QWidget *parent = nullptr);
    ~HistoryDialog() override;

    void reload();

    // A button for the selected entry: enabled while one is selected, `act` given its ID.
    QPushButton *addEntryButton(const QString &text,
                                const QString &objectName,
                                std::function<void(qint64)> act);
    std::optional<qint64> selectedId() const;

signals:
    void entryChosen(const Archive::Entry &entry);
    void reportChosen(const Archive::Entry &entry);

protected:
    // The connection is let go while the list is not shown: hours later it might be stale.
    void hideEvent(QHideEvent *event) override;

private:
    static constexpr int kPageRows = 200;
    // The signal an entry read for a button is handed on by.
    using Chosen = void (HistoryDialog::*)(const Archive::Entry &);

    QBoxLayout *makeLocationRow();
    QBoxLayout *makeDateRow();
    void makeList();
    void makeProblemAndButtons();
    void connectParts();
    Archive::Span span() const;
    void fetchPage();
    void readEntry(qint64 id, Chosen chosen);
    void entryRead(quint64 ticket, const Archive::Entry &entry);
    void listed(quint64 ticket, const QList<Archive::Entry> &entries);
    void failed(quint64 ticket, const QString &why, bool missing);
    void setLoading(bool loading);
    void showProblem(const QString &why);
    void chooseLocation();

    ArchiveWriter &m_writer;
    ArchiveReader *m_reader = nullptr;
    HistoryModel *m_model = nullptr;
    QLabel *m_location = nullptr;
    QCheckBox *m_byDate = nullptr;
    QDateEdit *m_from = nullptr;
    QDateEdit *m_to = nullptr;
    QTableView *m_list = nullptr;
    QLabel *m_loading = nullptr;
    QLabel *m_problem = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
    quint64 m_reloadTicket = 0; // the answers awaited; 0: none
    int m_reloadLimit = 0;
    quint64 m_pageTicket = 0;
    QHash<quint64, Chosen> m_entryTickets; // entries being read for Open or Report...
    QSet<quint64> m_noteTickets;
};
