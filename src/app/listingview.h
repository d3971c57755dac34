#pragma once

#include <QString>

class QPlainTextEdit;

// The listing as the list shows it. The list keeps paragraphs, not line-break characters, so
// the text with its CR LF breaks is derived from it: every paragraph break is one CR LF, which
// is exactly how the listing was written into it (the listing holds no other breaks). Reading
// it back from the list, rather than keeping a copy, keeps the saved and printed text equal to
// what is on the screen whoever changed it.
namespace ListingView {

// The whole listing, CR LF line breaks.
QString text(const QPlainTextEdit &list);
// The selected part of the listing, CR LF line breaks; empty when nothing is selected.
QString selectedText(const QPlainTextEdit &list);
// Replaces the whole listing and shows it from its start.
void replace(QPlainTextEdit &list, const QString &text);
// Appends text at the end of the last line (no line break before it) and shows the end.
void append(QPlainTextEdit &list, const QString &text);

} // namespace ListingView
