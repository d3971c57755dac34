#include "platform/posixdescriptor.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace PosixDescriptor {

#ifdef Q_OS_UNIX

qint64 readAvailable(qintptr fd, QByteArray &into)
{
    qint64 taken = 0;
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(int(fd), chunk, sizeof chunk);
        if (n > 0) {
            into.append(chunk, qsizetype(n));
            taken += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break; // nothing more; a device gone reports through QSerialPort
        }
    }
    return taken;
}

qint64 writeAvailable(qintptr fd, const char *data, qint64 size)
{
    qint64 handed = 0;
    while (handed < size) {
        const ssize_t n = ::write(int(fd), data + handed, size_t(size - handed));
        if (n > 0)
            handed += n;
        else if (n < 0 && errno == EINTR)
            continue;
        else
            break; // a full queue; a dead device reports through QSerialPort
    }
    return handed;
}

qint64 bytesToRead(qintptr fd)
{
    int pending = 0;
    return ::ioctl(int(fd), FIONREAD, &pending) == 0 ? pending : 0;
}

qint64 bytesToWrite(qintptr fd)
{
    int queued = 0;
    return ::ioctl(int(fd), TIOCOUTQ, &queued) == 0 ? queued : 0;
}

bool setWakeSize(qintptr fd, int bytes)
{
    termios tio{};
    if (::tcgetattr(int(fd), &tio) != 0)
        return false;
    tio.c_cc[VMIN] = cc_t(bytes);
    tio.c_cc[VTIME] = 0;
    return ::tcsetattr(int(fd), TCSANOW, &tio) == 0;
}

bool hungUp(qintptr fd)
{
    pollfd pfd{int(fd), POLLIN, 0};
    return ::poll(&pfd, 1, 0) < 0 || (pfd.revents & (POLLHUP | POLLERR | POLLNVAL));
}

int probeOpen(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    ::close(fd);
    return 0;
}

#else

qint64 readAvailable(qintptr, QByteArray &)
{
    return 0;
}

qint64 writeAvailable(qintptr, const char *, qint64)
{
    return 0;
}

qint64 bytesToRead(qintptr)
{
    return 0;
}

qint64 bytesToWrite(qintptr)
{
    return 0;
}

bool setWakeSize(qintptr, int)
{
    return false;
}

bool hungUp(qintptr)
{
    return true;
}

int probeOpen(const QString &)
{
    return 0;
}

#endif

} // namespace PosixDescriptor
