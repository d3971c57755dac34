#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class ArchiveStore;
class ArchiveWriter;
class QCheckBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

// "History": the archive's past downloads, newest first (ID, time, port, record count and a
// note the user may type), optionally only those of a span of dates. "Open" hands the listing
// of the chosen one to the window, rebuilt from its records. The list is read from where the
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
    void listingChosen(const QString &listing);

protected:
    // The connection is let go while the list is not shown: hours later it might be stale.
    void hideEvent(QHideEvent *event) override;

private:
    bool ensureStore();
    void showProblem(const QString &why);
    void openSelected();
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
