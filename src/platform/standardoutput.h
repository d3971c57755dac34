#pragma once

class QFile;

namespace StandardOutput {

// Opens the process's standard output for bytes that must arrive exactly as given (a listing
// with its CR LF, a data file). Windows' C runtime starts stdout in text mode, which writes
// every LF as CR LF and so doubles the CR of a listing's line ends; here it is switched to
// binary first. The descriptor stays open when the file is closed.
bool open(QFile &file);

} // namespace StandardOutput
