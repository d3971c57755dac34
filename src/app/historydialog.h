#pragma once

#include "core/archiveentry.h"

#include <QDialog>
#include <QString>

#include <memory>

class ArchiveStore;
class ArchiveWriter;
class QCheckBox;
class QDateEdit;
class QDialogButtonBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

// "History": the archive's past downloads, newest first (ID, time, port, record count and a
// note the user may type), optionally only those of a span of dates. "Open" hands the chosen
// entry to the window, which shows its listing rebuilt from its records; "Report..." hands its
// ID to the window, which makes its report. The list is read from where the
// window's writer writes, on a connection of the window's thread, and read again after each
// download archived while it is open.
class HistoryDialog : public QDialog
{
    Q_OBJECT

public:
    explicit HistoryDialog(ArchiveWriter &writer, QWidget *parent = nullptr);
    ~HistoryDialog() override;

    void reload();

signals:
    void entryChosen(const Archive::Entry &entry);
    void reportChosen(qint64 id);

protected:
    // The connection is let go while the list is not shown: hours later it might be stale.
    void hideEvent(QHideEvent *event) override;

private:
    bool ensureStore();
    void showProblem(const QString &why);
    void openSelected();
    // "Report...": enabled with a selection, asks the window for the selected entry's report.
    void addReportButton(QDialogButtonBox *buttons);
    void reportSelected();
    void noteEdited(QTableWidgetItem *item);
    void chooseLocation();

    ArchiveWriter &m_writer;
    std::unique_ptr<ArchiveStore> m_store;
    QLabel *m_location = nullptr;
    QCheckBox *m_byDate = nullptr;
    QDateEdit *m_from = nullptr;
    QDateEdit *m_to = nullptr;
    QTableWidget *m_list = nullptr;
    QLabel *m_problem = nullptr;
    QPushButton *m_open = nullptr;
    bool m_filling = false; // the list is being filled: its changes are no edits
};
