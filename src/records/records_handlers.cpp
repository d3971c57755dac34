// Window side of the stored records, the data file, printing and the picture export.
// (Filled in with the listing builder.)
#include "app/form1.h"

void Form1::DecodeStoredRecords() {}
void Form1::Command5_Click() {}
void Form1::Command6_Click() {}
void Form1::Command7_Click() {}
void Form1::Command8_Click() {}
void Form1::mnusave_Click() {}
void Form1::mnuprint_Click() {}
void Form1::mnuprintsetting_Click() {}
void Form1::PrintWindow() {}
bool Form1::WriteSavedFile(const QString &, const QByteArray &) { return false; }
