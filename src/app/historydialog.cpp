#include "app/historydialog.h"

#include "archive/archivestore.h"
#include "archive/archivewriter.h"
#include "core/archiveentry.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { IdColumn, TimeColumn, PortColumn, CountColumn, NoteColumn, ColumnCount };

QTableWidgetItem *fixedItem(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

} // namespace

HistoryDialog::HistoryDialog(ArchiveWriter &writer, QWidget *parent)
    : QDialog(parent)
    , m_writer(writer)
{
    setObjectName(QStringLiteral("HistoryDialog"));
    setWindowTitle(QStringLiteral("History"));

    m_location = new QLabel(this);
    m_location->setObjectName(QStringLiteral("archiveLocation"));
    m_location->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *change = new QPushButton(QStringLiteral("Location..."), this);
    change->setObjectName(QStringLiteral("changeLocation"));

    m_byDate = new QCheckBox(QStringLiteral("Only from"), this);
    m_byDate->setObjectName(QStringLiteral("byDate"));
    m_from = new QDateEdit(QDate::currentDate().addDays(-30), this);
    m_from->setObjectName(QStringLiteral("fromDate"));
    m_from->setAccessibleName(QStringLiteral("first day"));
    m_to = new QDateEdit(QDate::currentDate(), this);
    m_to->setObjectName(QStringLiteral("toDate"));
    m_to->setAccessibleName(QStringLiteral("last day"));
    for (QDateEdit *date : {m_from, m_to}) {
        date->setCalendarPopup(true);
        date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    }

    m_list = new QTableWidget(0, ColumnCount, this);
    m_list->setObjectName(QStringLiteral("historyList"));
    m_list->setAccessibleName(QStringLiteral("past downloads"));
    m_list->setHorizontalHeaderLabels({QStringLiteral("ID"),
                                       QStringLiteral("Time"),
                                       QStringLiteral("Port"),
                                       QStringLiteral("Records"),
                                       QStringLiteral("Note")});
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                            | QAbstractItemView::AnyKeyPressed);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->setMinimumSize(560, 300);

    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("archiveProblem"));
    m_problem->setWordWrap(true);
    m_problem->setVisible(false);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_open = buttons->addButton(QStringLiteral("Open"), QDialogButtonBox::ActionRole);
    m_open->setObjectName(QStringLiteral("openEntry"));
    m_open->setEnabled(false);

    auto *where = new QHBoxLayout;
    where->addWidget(m_location, 1);
    where->addWidget(change);
    auto *dates = new QHBoxLayout;
    dates->addWidget(m_byDate);
    dates->addWidget(m_from);
    dates->addWidget(new QLabel(QStringLiteral("to"), this));
    dates->addWidget(m_to);
    dates->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(where);
    layout->addLayout(dates);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);

    connect(change, &QPushButton::clicked, this, &HistoryDialog::chooseLocation);
    connect(m_byDate, &QCheckBox::toggled, this, &HistoryDialog::reload);
    for (QDateEdit *date : {m_from, m_to})
        connect(date, &QDateEdit::dateChanged, this, [this] {
            if (m_byDate->isChecked())
                reload();
        });
    connect(m_list, &QTableWidget::itemSelectionChanged, this, [this] {
        m_open->setEnabled(!m_list->selectedItems().isEmpty());
    });
    connect(m_list, &QTableWidget::itemChanged, this, &HistoryDialog::noteEdited);
    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this](int, int column) {
        if (column != NoteColumn)
            openSelected();
    });
    connect(m_open, &QPushButton::clicked, this, &HistoryDialog::openSelected);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(&m_writer, &ArchiveWriter::written, this, [this] {
        if (isVisible())
            reload();
    });
}

HistoryDialog::~HistoryDialog() = default;

void HistoryDialog::hideEvent(QHideEvent *event)
{
    m_store.reset();
    QDialog::hideEvent(event);
}

bool HistoryDialog::ensureStore()
{
    const ArchiveLocation location = m_writer.location();
    m_location->setText(QStringLiteral("Archive: %1").arg(location.text()));
    m_location->setAccessibleName(m_location->text());
    if (m_store && m_store->location() == location)
        return true;
    m_store.reset();
    auto store = std::make_unique<ArchiveStore>(location, QStringLiteral("archive-history"));
    QString why;
    if (!store->open(&why)) {
        showProblem(why);
        return false;
    }
    m_store = std::move(store);
    return true;
}

void HistoryDialog::showProblem(const QString &why)
{
    m_problem->setText(why);
    m_problem->setAccessibleName(why);
    m_problem->setVisible(!why.isEmpty());
}

void HistoryDialog::reload()
{
    const QSignalBlocker quiet(m_list);
    m_list->setRowCount(0);
    m_open->setEnabled(false);
    if (!ensureStore())
        return;
    QString why;
    const std::optional<QList<Archive::Entry>> entries
            = m_byDate->isChecked() ? m_store->list(m_from->date(), m_to->date(), &why)
                                    : m_store->list(QDate(), QDate(), &why);
    if (!entries) {
        m_store.reset(); // read again from a fresh connection next time
        showProblem(why);
        return;
    }
    showProblem(QString());
    m_list->setRowCount(int(entries->size()));
    for (int row = 0; row < entries->size(); ++row) {
        const Archive::Entry &e = entries->at(row);
        QTableWidgetItem *id = fixedItem(QString::number(e.id));
        id->setData(Qt::UserRole, e.id);
        m_list->setItem(row, IdColumn, id);
        m_list->setItem(row,
                        TimeColumn,
                        fixedItem(e.takenAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
        QTableWidgetItem *port = fixedItem(e.port);
        port->setToolTip(QStringLiteral("%1 on %2 (%3)").arg(e.device, e.computer, e.program));
        m_list->setItem(row, PortColumn, port);
        m_list->setItem(row, CountColumn, fixedItem(QString::number(e.recordCount)));
        m_list->setItem(row, NoteColumn, new QTableWidgetItem(e.note));
    }
    m_list->resizeColumnsToContents();
}

void HistoryDialog::openSelected()
{
    const QList<QTableWidgetItem *> selected = m_list->selectedItems();
    if (selected.isEmpty() || !ensureStore())
        return;
    const qint64 id
            = m_list->item(selected.first()->row(), IdColumn)->data(Qt::UserRole).toLongLong();
    QString why;
    const std::optional<Archive::Entry> entry = m_store->entry(id, &why);
    if (!entry) {
        showProblem(why);
        return;
    }
    emit listingChosen(Archive::listing(*entry));
}

void HistoryDialog::noteEdited(QTableWidgetItem *item)
{
    if (item->column() != NoteColumn || !m_store)
        return;
    const qint64 id = m_list->item(item->row(), IdColumn)->data(Qt::UserRole).toLongLong();
    QString why;
    if (!m_store->setNote(id, item->text(), &why))
        showProblem(QStringLiteral("The note was not kept: %1").arg(why));
}

void HistoryDialog::chooseLocation()
{
    const ArchiveLocation current = m_writer.location();
    bool accepted = false;
    const QString text = QInputDialog::getText(
            this,
            QStringLiteral("Archive Location"),
            QStringLiteral("A database file, or a PostgreSQL server shared by a team:\n"
                           "postgresql://user@host:5432/database\n"
                           "The password goes into ~/.pgpass, never here.\n"
                           "Empty: the file on this computer, %1.")
                    .arg(ArchiveLocation::defaultLocation().text()),
            QLineEdit::Normal,
            current == ArchiveLocation::defaultLocation() ? QString() : current.text(),
            &accepted);
    if (!accepted)
        return;
    QString why;
    const std::optional<ArchiveLocation> location = ArchiveLocation::parse(text, &why);
    if (!location || !ArchiveLocation::configure(*location, &why)) {
        showProblem(QStringLiteral("The location was not changed: %1").arg(why));
        return;
    }
    m_writer.setLocation(*location);
    reload();
}
