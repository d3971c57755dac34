#include "fakes/fakedialogs.h"

#include "desktop/qtdialogs.h"

#include <QDir>

FakeCommonDialog::Shown FakeCommonDialog::snapshot() const
{
    return {fileName, filter, defaultExt, initDir, filterIndex, flags, cancelError};
}

CommonDialog::Result FakeCommonDialog::showSave()
{
    shownSaves.append(snapshot());
    if (saveAnswers.isEmpty())
        return Cancelled;
    const SaveAnswer answer = saveAnswers.takeFirst();
    if (answer.result != Accepted)
        return answer.result;
    if (answer.filterIndex > 0)
        filterIndex = answer.filterIndex;
    QString path = answer.path;
    if (path.isEmpty())
        path = QtCommonDialog::withDefaultExtension(QDir(initDir).filePath(fileName), defaultExt);
    fileName = path;
    return Accepted;
}

CommonDialog::Result FakeCommonDialog::showPrinter(QPrinter &, bool &selectionChosen)
{
    shownPrinters.append(snapshot());
    selectionChosen = false;
    if (printerAnswers.isEmpty())
        return Cancelled;
    const Result result = printerAnswers.takeFirst();
    if (result == Failed)
        errorDescription = failureDescription;
    if (result == Accepted)
        selectionChosen = printerSelectionChosen.value_or((flags & PD_SELECTION) != 0);
    return result;
}
