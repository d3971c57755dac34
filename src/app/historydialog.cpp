#include "app/historydialog.h"

#include "app/historymodel.h"
#include "archive/archivereader.h"
#include "archive/archivewriter.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// Text from a shared archive, or about it, is shown as typed: never as markup.
QLabel *plainLabel(const QString &objectName, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    return label;
}

void setShownText(QLabel *label, const QString &text)
{
    label->setText(text);
    label->setAccessibleName(text);
    label->setVisible(!text.isEmpty());
}

} // namespace

HistoryDialog::HistoryDialog(ArchiveWriter &writer, QWidget *parent)
    : QDialog(parent)
    , m_writer(writer)
    , m_reader(new ArchiveReader(this))
    , m_model(new HistoryModel(this))
{
    setObjectName(QStringLiteral("HistoryDialog"));
    setWindowTitle(QStringLiteral("History"));
    makeList();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(makeLocationRow());
    layout->addLayout(makeDateRow());
    layout->addWidget(m_list, 1);
    makeProblemAndButtons();
    layout->addWidget(m_loading);
    layout->addWidget(m_problem);
    layout->addWidget(m_buttons);
    addEntryButton(QStringLiteral("Open"), QStringLiteral("openEntry"), [this](qint64 id) {
        readEntry(id, &HistoryDialog::entryChosen);
    });
    addEntryButton(QStringLiteral("Report..."), QStringLiteral("reportEntry"), [this](qint64 id) {
        readEntry(id, &HistoryDialog::reportChosen);
    });
    connectParts();
}

HistoryDialog::~HistoryDialog() = default;

QBoxLayout *HistoryDialog::makeLocationRow()
{
    m_location = plainLabel(QStringLiteral("archiveLocation"), this);
    m_location->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *change = new QPushButton(QStringLiteral("Location..."), this);
    change->setObjectName(QStringLiteral("changeLocation"));
    connect(change, &QPushButton::clicked, this, &HistoryDialog::chooseLocation);
    auto *row = new QHBoxLayout;
    row->addWidget(m_location, 1);
    row->addWidget(change);
    return row;
}

QBoxLayout *HistoryDialog::makeDateRow()
{
    m_byDate = new QCheckBox(QStringLiteral("Only from"), this);
    m_byDate->setObjectName(QStringLiteral("byDate"));
    m_from = new QDateEdit(QDate::currentDate().addDays(-30), this);
    m_from->setObjectName(QStringLiteral("fromDate"));
    m_from->setAccessibleName(QStringLiteral("first day"));
    m_to = new QDateEdit(QDate::currentDate(), this);
    m_to->setObjectName(QStringLiteral("toDate"));
    m_to->setAccessibleName(QStringLiteral("last day"));
    auto *row = new QHBoxLayout;
    row->addWidget(m_byDate);
    for (QDateEdit *date : {m_from, m_to}) {
        date->setCalendarPopup(true);
        date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        row->addWidget(date);
        if (date == m_from)
            row->addWidget(new QLabel(QStringLiteral("to"), this));
    }
    row->addStretch(1);
    return row;
}

void HistoryDialog::makeList()
{
    m_list = new QTableView(this);
    m_list->setObjectName(QStringLiteral("historyList"));
    m_list->setAccessibleName(QStringLiteral("past downloads"));
    m_list->setModel(m_model);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                            | QAbstractItemView::AnyKeyPressed);
    m_list->verticalHeader()->hide();
    // Sized by the header, not by measuring every row: the rows come a page at a time.
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->setColumnWidth(HistoryModel::TimeColumn, 170);
    m_list->setMinimumSize(560, 300);
}

void HistoryDialog::makeProblemAndButtons()
{
    m_loading = plainLabel(QStringLiteral("archiveLoading"), this);
    setShownText(m_loading, QString());
    m_problem = plainLabel(QStringLiteral("archiveProblem"), this);
    m_problem->setWordWrap(true);
    setShownText(m_problem, QString());
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QPushButton *HistoryDialog::addEntryButton(const QString &text,
                                           const QString &objectName,
                                           std::function<void(qint64)> act)
{
    QPushButton *button = m_buttons->addButton(text, QDialogButtonBox::ActionRole);
    button->setObjectName(objectName);
    button->setEnabled(selectedId().has_value());
    connect(m_list->selectionModel(),
            &QItemSelectionModel::selectionChanged,
            button,
            [this, button] { button->setEnabled(selectedId().has_value()); });
    connect(button, &QPushButton::clicked, this, [this, act = std::move(act)] {
        if (const std::optional<qint64> id = selectedId())
            act(*id);
    });
    return button;
}

std::optional<qint64> HistoryDialog::selectedId() const
{
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    return m_model->idAt(rows.first().row());
}

void HistoryDialog::connectParts()
{
    connect(m_byDate, &QCheckBox::toggled, this, &HistoryDialog::reload);
    for (QDateEdit *date : {m_from, m_to})
        connect(date, &QDateEdit::dateChanged, this, [this] {
            if (m_byDate->isChecked())
                reload();
        });
    connect(m_list, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.column() != HistoryModel::NoteColumn)
            readEntry(m_model->idAt(index.row()), &HistoryDialog::entryChosen);
    });
    connect(m_model, &HistoryModel::moreWanted, this, &HistoryDialog::fetchPage);
    connect(m_model, &HistoryModel::noteEdited, this, [this](qint64 id, const QString &note) {
        m_noteTickets.insert(m_reader->setNote(m_writer.location(), id, note));
    });
    connect(m_reader, &ArchiveReader::noteSet, this, [this](quint64 ticket) {
        m_noteTickets.remove(ticket);
    });
    connect(m_reader, &ArchiveReader::listed, this, &HistoryDialog::listed);
    connect(m_reader, &ArchiveReader::failed, this, &HistoryDialog::failed);
    connect(m_reader, &ArchiveReader::entryRead, this, &HistoryDialog::entryRead);
    connect(&m_writer, &ArchiveWriter::written, this, [this] {
        if (isVisible())
            reload();
    });
}

void HistoryDialog::hideEvent(QHideEvent *event)
{
    m_reader->release();
    QDialog::hideEvent(event);
}

Archive::Span HistoryDialog::span() const
{
    return m_byDate->isChecked() ? Archive::Span{m_from->date(), m_to->date()} : Archive::Span{};
}

void HistoryDialog::reload()
{
    const ArchiveLocation location = m_writer.location();
    setShownText(m_location, QStringLiteral("Archive: %1").arg(location.text()));
    // The rows shown so far are read again, so none of them goes from under the user.
    m_reloadLimit = qMax(kPageRows, m_model->rowCount());
    m_reloadTicket = m_reader->list(location, span(), m_reloadLimit, std::nullopt);
    m_pageTicket = 0; // a page after rows about to change would not follow on
    m_model->setFetching(true);
    setLoading(true);
}

void HistoryDialog::fetchPage()
{
    if (m_reloadTicket)
        return; // the page would follow rows about to change; the reload ends the fetching
    m_pageTicket = m_reader->list(m_writer.location(), span(), kPageRows, m_model->last());
    setLoading(true);
}

void HistoryDialog::readEntry(qint64 id, Chosen chosen)
{
    m_entryTickets.insert(m_reader->entry(m_writer.location(), id), chosen);
}

void HistoryDialog::entryRead(quint64 ticket, const Archive::Entry &entry)
{
    // Read afresh, so a note typed a moment ago is in what the window gets.
    if (const Chosen chosen = m_entryTickets.take(ticket))
        emit(this->*chosen)(entry);
}

void HistoryDialog::listed(quint64 ticket, const QList<Archive::Entry> &entries)
{
    if (ticket == m_reloadTicket) {
        m_reloadTicket = 0;
        m_model->merge(entries, entries.size() < m_reloadLimit);
    } else if (ticket == m_pageTicket) {
        m_pageTicket = 0;
        m_model->append(entries, entries.size() < kPageRows);
    } else {
        return; // overtaken by a reload
    }
    showProblem(QString());
    setLoading(m_reloadTicket || m_pageTicket);
}

void HistoryDialog::failed(quint64 ticket, const QString &why, bool missing)
{
    // A read that did not answer in time keeps its ticket: should the answer come after all, it
    // is shown.
    if (ticket == m_reloadTicket || ticket == m_pageTicket || m_entryTickets.contains(ticket)) {
        if (missing)
            m_model->merge({}, true);
        setLoading(false);
        showProblem(why);
    } else if (m_noteTickets.remove(ticket)) {
        showProblem(QStringLiteral("The note was not kept: %1").arg(why));
    } // else a read overtaken by a later one, which will say how it went
}

void HistoryDialog::setLoading(bool loading)
{
    setShownText(m_loading, loading ? QStringLiteral("Loading...") : QString());
}

void HistoryDialog::showProblem(const QString &why)
{
    setShownText(m_problem, why);
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
