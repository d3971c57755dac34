#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The terminal device's descriptor, for what QSerialPort does not offer: bytes the driver
// already holds, a write that never waits, the driver's wake-up size, a hang-up test, and an
// open that says why it failed. The only code that touches the descriptor.
//
// Where the platform has no such descriptor every call does nothing and says so (no bytes, no
// hang-up seen, the node opens), and the port works through QSerialPort alone.
namespace PosixDescriptor {

// Appends every byte the driver holds to `into` without waiting; returns how many.
qint64 readAvailable(qintptr fd, QByteArray &into);
// Hands the driver as much of `data` as it takes now without waiting; returns how many.
qint64 writeAvailable(qintptr fd, const char *data, qint64 size);
// Bytes the driver has received and not handed on yet.
qint64 bytesToRead(qintptr fd);
// Bytes still in the driver's transmit queue.
qint64 bytesToWrite(qintptr fd);
// The driver wakes readers once `bytes` wait (VMIN; VTIME 0), every byte for 0. False when the
// line settings could not be changed.
bool setWakeSize(qintptr fd, int bytes);
// The other end is gone (an adapter pulled out, a pseudo-terminal's master closed), or the
// descriptor is no longer usable. True where the platform cannot tell: the port is then closed
// at the first error, as QSerialPort alone would have it.
bool hungUp(qintptr fd);
// Opens the device node once more, as the port does, and closes it again: 0 when it opens,
// otherwise the errno of the refusal.
int probeOpen(const QString &path);

} // namespace PosixDescriptor
