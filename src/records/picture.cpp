// File > Save in realtime mode: the trend chart as a bitmap file.
#include "app/form1.h"
#include "charts/chartpicture.h"
#include "charts/drawingsurface.h"
#include "platform/dialogs.h"
#include "records/savefile.h"

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
                   ChartPicture::bitmapData(Picture1->image(), Picture1->logicalSize()));
}
