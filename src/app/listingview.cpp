#include "app/listingview.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>

namespace ListingView {

namespace {
QString withCrLf(QString text)
{
    // selectedText() marks breaks with U+2029, toPlainText() with LF.
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QLatin1StringView("\r\n"));
    return text;
}
} // namespace

QString text(const QPlainTextEdit &list)
{
    return withCrLf(list.toPlainText());
}

QString selectedText(const QPlainTextEdit &list)
{
    return withCrLf(list.textCursor().selectedText());
}

void replace(QPlainTextEdit &list, const QString &text)
{
    // Straight into the list's document: the list's own setPlainText would go over every
    // character once more to re-apply the format it already has.
    list.document()->setPlainText(text);
    // A new listing is shown from its start, caret on the title, nothing selected.
    list.moveCursor(QTextCursor::Start);
}

void append(QPlainTextEdit &list, const QString &text)
{
    QTextCursor cursor(list.document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    // Show where the text went: caret and view to the end of the listing.
    list.setTextCursor(cursor);
    list.ensureCursorVisible();
}

} // namespace ListingView
