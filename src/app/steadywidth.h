#pragma once

#include <QStringList>

class QLabel;

// Keeps a label's width steady while its text changes among known texts: the widest of them, at
// the label's font, is its width, so no later text moves its neighbours or widens the window.
// A new font or style measures again. The label owns what watches it.
void steadyWidth(QLabel *label, const QStringList &texts);
