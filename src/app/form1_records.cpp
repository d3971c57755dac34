// Window side of the stored records: the listing, its data file, paging and printing.
#include "app/form1.h"

#include "app/drawingsurface.h"
#include "app/listingview.h"
#include "core/datafile.h"
#include "core/listing.h"
#include "draw/chartpicture.h"
#include "link/linksession.h"
#include "platform/savefile.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QKeyEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>

namespace {

// Why a print that the dialog accepted did not come out.
QString printFailure(const QPrinter &printer)
{
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return QStringLiteral("The file %1 could not be written.")
                .arg(QDir::toNativeSeparators(printer.outputFileName()));
    return QStringLiteral("The printer %1 could not be opened.").arg(printer.printerName());
}

void pressKey(QWidget *target, Qt::Key key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
}

} // namespace

void Form1::DecodeStoredRecords(const QByteArray &block, qint16 recordCount)
{
    m_ui.Check1->setEnabled(false);
    m_ui.Check2->setEnabled(false);
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(block.constData());
    const quint8 singleValueBefore = m_decoder.singleValue();
    const Listing::Result listing
            = Listing::build(bytes, block.size(), recordCount, singleValueBefore);
    if (listing.singleValue)
        m_decoder.markSecondValueAbsent();
    // Built whole, set once: one layout pass however many records came.
    ListingView::replace(*m_ui.RichTextBox1, listing.text);
    ArchiveDownload(block, recordCount, singleValueBefore);
}

void Form1::Command5_Click()
{
    CommonDialog &dialog = CommonDialog1();
    dialog.fileName = DataFile::defaultName();
    dialog.filter = DataFile::filter();
    dialog.defaultExt = DataFile::defaultExt();
    // The folder is made when missing; where it cannot be, the dialog opens in the home folder.
    dialog.initDir = SaveFile::prepareSaveFolder();
    dialog.cancelError = true;
    if (dialog.showSave() != CommonDialog::Accepted)
        return; // cancelled (or the dialog failed): nothing written, nothing shown

    QString why;
    const std::optional<QByteArray> bytes
            = DataFile::encode(ListingView::text(*m_ui.RichTextBox1), &why);
    if (!bytes) {
        showSaveError(dialog.fileName, why);
        return;
    }
    WriteSavedFile(dialog.fileName, *bytes);
}

void Form1::Command6_Click()
{
    // A further header at the end of the last line; nothing is removed.
    ListingView::append(*m_ui.RichTextBox1,
                        m_decoder.singleValue() ? Listing::clearOneColumnHeader()
                                                : Listing::twoColumnHeader());
}

void Form1::Command7_Click()
{
    m_ui.RichTextBox1->setFocus(Qt::OtherFocusReason);
    // The list handles the key as if the user had pressed it: view and caret move one page.
    pressKey(m_ui.RichTextBox1, Qt::Key_PageUp);
}

void Form1::Command8_Click()
{
    m_ui.RichTextBox1->setFocus(Qt::OtherFocusReason);
    pressKey(m_ui.RichTextBox1, Qt::Key_PageDown);
}

void Form1::mnusave_Click()
{
    if (m_link->operatingMode() == Protocol::RealtimeSampling)
        SaveChartPicture();
    else
        Command5_Click();
}

void Form1::mnuprint_Click()
{
    CommonDialog &dialog = CommonDialog1();
    const bool textSelected = m_ui.RichTextBox1->textCursor().hasSelection();
    dialog.flags
            = CommonDialog::PD_RETURNDC | CommonDialog::PD_NOPAGENUMS | CommonDialog::PD_ALLPAGES;
    if (textSelected)
        dialog.flags += CommonDialog::PD_SELECTION;
    dialog.cancelError = true;

    bool selectionChosen = false;
    const CommonDialog::Result result = dialog.showPrinter(printer(), selectionChosen);
    if (result == CommonDialog::Cancelled)
        return;
    if (result != CommonDialog::Accepted) {
        showPrintError(dialog.errorDescription);
        return;
    }

    if (m_link->operatingMode() == Protocol::RealtimeSampling) {
        if (!PrintWindow())
            showPrintError(printFailure(printer()));
        return;
    }
    // The selection when there is one and the user kept the dialog's selection choice.
    const bool onlySelection = textSelected && selectionChosen;
    QPrinter &target = printer();
    target.setPrintRange(onlySelection ? QPrinter::Selection : QPrinter::AllPages);
    m_ui.RichTextBox1->print(&target);
    // Later dialogs start from "all" again; the printer's other settings stay.
    target.setPrintRange(QPrinter::AllPages);
    // The list prints without telling whether its painter could start; the printer knows.
    if (target.printerState() == QPrinter::Error)
        showPrintError(printFailure(target));
}

void Form1::showPrintError(const QString &why)
{
    messageBoxes().beep();
    messageBoxes().show(MessageBoxes::Exclamation,
                        QStringLiteral("Printing Error!"),
                        QStringLiteral("文件打印出错.") + QStringLiteral("\r\n") + why);
}

void Form1::mnuprintsetting_Click()
{
    CommonDialog &dialog = CommonDialog1();
    dialog.flags
            = CommonDialog::PD_PRINTSETUP | CommonDialog::PD_RETURNDC | CommonDialog::PD_NOPAGENUMS;
    dialog.cancelError = true;
    bool selectionChosen = false;
    const CommonDialog::Result result = dialog.showPrinter(printer(), selectionChosen);
    if (result == CommonDialog::Accepted || result == CommonDialog::Cancelled)
        return; // the choices are made on printer(), which later printing uses
    messageBoxes().beep();
    messageBoxes().show(MessageBoxes::Exclamation,
                        QStringLiteral("Printsetting Error!"),
                        QStringLiteral("打印设置出错.") + QStringLiteral("\r\n")
                                + dialog.errorDescription);
}

bool Form1::PrintWindow()
{
    // The window as shown, scaled to fit one page and centred on it.
    const QPixmap picture = grab();
    QPrinter &target = printer();
    target.setPrintRange(QPrinter::AllPages);
    QPainter painter;
    if (picture.isNull() || !painter.begin(&target))
        return false;
    const QRect page = painter.viewport();
    QSize size = picture.size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    const QRect area(
            page.x() + (page.width() - size.width()) / 2, page.y(), size.width(), size.height());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(area, picture);
    return painter.end();
}

bool Form1::WriteSavedFile(const QString &path, const QByteArray &bytes)
{
    QString why;
    if (SaveFile::writeAtomically(path, bytes, &why))
        return true;
    // The old file, if any, is still there: QSaveFile replaces it only with a complete new one.
    showSaveError(path, why);
    return false;
}

void Form1::showSaveError(const QString &path, const QString &why)
{
    messageBoxes().beep();
    messageBoxes().show(MessageBoxes::Exclamation,
                        QStringLiteral("Saving Error!"),
                        QStringLiteral("文件保存出错.") + QStringLiteral("\r\n")
                                + QDir::toNativeSeparators(path) + QStringLiteral("\r\n") + why);
}

// File > Save in realtime mode: the trend chart as a bitmap file.
void Form1::SaveChartPicture()
{
    CommonDialog &dialog = CommonDialog1();
    dialog.fileName = QStringLiteral("Quillobarent");
    dialog.filter = QStringLiteral("位图格式 (*.bmp)|*.bmp|jpg格式 (*.jpg)|*jpg|");
    // The type chosen in the previous save dialog decides the proposal, not the one about to be
    // chosen; after a text save (one type only) that is the bitmap.
    dialog.defaultExt = dialog.filterIndex == 1 ? QStringLiteral(".bmp") : QStringLiteral(".jpg");
    dialog.initDir = SaveFile::prepareSaveFolder();
    dialog.cancelError = true;
    // Cancel ends the save silently; a dialog that failed gave no name to write to.
    if (dialog.showSave() != CommonDialog::Accepted)
        return;
    // Bitmap data whatever the extension: a ".jpg" name still gets a bitmap.
    WriteSavedFile(dialog.fileName,
                   ChartPicture::bitmapData(m_ui.Picture1->image(), m_ui.Picture1->logicalSize()));
}
