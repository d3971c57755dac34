#include "platform/winserialport.h"

#include "platform/systemserialport.h"

#include <QWinEventNotifier>

#include <utility>

#include <windows.h>

namespace {
// Bytes one read may take. A burst ends a read as soon as the line falls quiet, so this only
// matters for a line that never does: a full block of records, or noise.
constexpr DWORD kReadChunk = 4096;
// Asked of the driver for its own queues: a whole block of records (32767 bytes) fits.
constexpr DWORD kDriverQueue = 65536;
// Closing may cut the driver's transmit queue. A byte handed on just before may still be on its
// way (about 1 ms at 9600 baud): give a write still under way that long to end.
constexpr DWORD kLineSettleMs = 3;
// The driver ends a read once the line has been quiet this long after a byte.
constexpr DWORD kReadIntervalMs = DWORD(ReplyFraming::kQuietGapMs);

HANDLE handleOf(void *handle)
{
    return static_cast<HANDLE>(handle);
}
} // namespace

// One overlapped transfer: its OVERLAPPED, the event that tells its end, and the buffer, which
// must stay put until the driver is done with it.
struct WinSerialPort::Transfer
{
    Transfer()
        : event(CreateEventW(nullptr, TRUE, FALSE, nullptr))
    {}
    ~Transfer()
    {
        if (event)
            CloseHandle(event);
    }
    Transfer(const Transfer &) = delete;
    Transfer &operator=(const Transfer &) = delete;

    void prepare()
    {
        overlapped = OVERLAPPED{};
        overlapped.hEvent = event;
        ResetEvent(event);
    }

    OVERLAPPED overlapped{};
    HANDLE event = nullptr;
    QByteArray buffer;
    DWORD requested = 0;
    bool pending = false;
};

WinSerialPort::WinSerialPort(PortMap map, QObject *parent)
    : SerialPort(parent)
    , m_map(std::move(map))
    , m_read(std::make_unique<Transfer>())
    , m_write(std::make_unique<Transfer>())
    , m_readDone(new QWinEventNotifier(m_read->event, this))
    , m_writeDone(new QWinEventNotifier(m_write->event, this))
{
    m_readDone->setEnabled(false);
    m_writeDone->setEnabled(false);
    connect(m_readDone, &QWinEventNotifier::activated, this, &WinSerialPort::onReadDone);
    connect(m_writeDone, &QWinEventNotifier::activated, this, &WinSerialPort::onWriteDone);
    m_lookTimer.setSingleShot(true);
    m_lookTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_lookTimer, &QTimer::timeout, this, &WinSerialPort::onLook);
    m_clock.start();
}

WinSerialPort::~WinSerialPort()
{
    closePort();
}

bool WinSerialPort::portOpen() const
{
    return m_handle != nullptr;
}

void WinSerialPort::setCommPort(int n)
{
    m_commPort = n;
}

int WinSerialPort::commPort() const
{
    return m_commPort;
}

QString WinSerialPort::devicePath() const
{
    return m_map.devicePath(m_commPort);
}

SerialPort::OpenResult WinSerialPort::classifyOpenError(unsigned long systemError)
{
    switch (systemError) {
    case ERROR_FILE_NOT_FOUND: // no such port on this machine
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DEV_NOT_EXIST: // a USB adapter pulled out while its name was looked up
    case ERROR_DEVICE_NOT_CONNECTED:
        return NoSuchPort;
    case ERROR_ACCESS_DENIED: // Windows opens a port for one program at a time
    case ERROR_SHARING_VIOLATION:
        return InUse;
    default:
        return OtherFailure;
    }
}

SerialPort::OpenResult WinSerialPort::openPort()
{
    closePort();
    const QString name = devicePath();
    if (name.isEmpty())
        return NoSuchPort;
    // The device namespace: COM10 and above open only this way, and a file of the same name in
    // the current folder is never taken for the port.
    const QString path = QStringLiteral("\\\\.\\") + name;
    const HANDLE handle = CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()),
                                      GENERIC_READ | GENERIC_WRITE,
                                      0,
                                      nullptr,
                                      OPEN_EXISTING,
                                      FILE_FLAG_OVERLAPPED,
                                      nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return classifyOpenError(GetLastError());
    m_handle = handle;
    if (!configure()) {
        // A name that opens but takes no line settings has no serial device behind it (a port
        // whose adapter is gone, or one Wine lists without a device), as a Linux node without
        // its UART.
        closePort();
        return NoSuchPort;
    }
    startRead();
    return portOpen() ? Opened : NoSuchPort;
}

bool WinSerialPort::configure()
{
    const HANDLE handle = handleOf(m_handle);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle, &dcb))
        return false;
    dcb.BaudRate = CBR_9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    // DTR and RTS up while open, as a Unix terminal device raises them: some adapters and
    // instruments take their interface's power from them.
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    // A framing error (noise) must not stop all reading until someone clears it.
    dcb.fAbortOnError = FALSE;
    if (!SetCommState(handle, &dcb))
        return false;
    // Only the interval: a read waits for its first byte as long as it takes, then ends once the
    // line has been quiet for it after a byte. Writes never time out (closing ends them).
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = kReadIntervalMs;
    if (!SetCommTimeouts(handle, &timeouts))
        return false;
    SetupComm(handle, kDriverQueue, kDriverQueue); // a wish; a driver may keep its own sizes
    PurgeComm(handle, PURGE_RXCLEAR | PURGE_TXCLEAR);
    return true;
}

void WinSerialPort::closePort()
{
    m_inBuffer.clear();
    m_outQueue.clear();
    m_framing.reset();
    follow({});
    if (!m_handle)
        return;
    if (m_write->pending)
        WaitForSingleObject(m_write->event, kLineSettleMs);
    finish(*m_read);
    finish(*m_write);
    CloseHandle(handleOf(m_handle));
    m_handle = nullptr;
}

void WinSerialPort::finish(Transfer &transfer)
{
    (&transfer == m_read.get() ? m_readDone : m_writeDone)->setEnabled(false);
    if (!transfer.pending)
        return;
    // Cancelled and waited for: the driver is done with the buffer once this returns, which
    // takes no longer than the driver needs to hand the request back.
    CancelIoEx(handleOf(m_handle), &transfer.overlapped);
    DWORD moved = 0;
    GetOverlappedResult(handleOf(m_handle), &transfer.overlapped, &moved, TRUE);
    transfer.pending = false;
}

void WinSerialPort::lose()
{
    // The device went away (an adapter pulled out): the link's supervision hears the silence
    // and searches again, as it does on Linux.
    closePort();
}

void WinSerialPort::startRead()
{
    if (!m_handle)
        return;
    Transfer &read = *m_read;
    read.prepare();
    read.requested = kReadChunk;
    read.buffer.resize(qsizetype(kReadChunk));
    // Whether it ends at once or later, its end is taken from the event loop, so no bytes are
    // told from inside the call that started the read.
    if (ReadFile(handleOf(m_handle), read.buffer.data(), read.requested, nullptr, &read.overlapped)
        || GetLastError() == ERROR_IO_PENDING) {
        read.pending = true;
        m_readDone->setEnabled(true);
        return;
    }
    lose();
}

void WinSerialPort::onReadDone()
{
    Transfer &read = *m_read;
    if (!read.pending || !m_handle)
        return;
    m_readDone->setEnabled(false);
    DWORD moved = 0;
    if (!GetOverlappedResult(handleOf(m_handle), &read.overlapped, &moved, FALSE)) {
        if (GetLastError() == ERROR_IO_INCOMPLETE) { // an older wake-up: this read is still on
            m_readDone->setEnabled(true);
            return;
        }
        read.pending = false;
        lose();
        return;
    }
    read.pending = false;
    m_inBuffer.append(read.buffer.constData(), qsizetype(moved));
    startRead();
    if (moved == 0 || !m_handle)
        return;
    // A read ends on the driver's read interval, but how closely a driver (or Wine's emulation)
    // keeps to it is its own affair: a read may end between two bytes of one reply. So the
    // quiet line is judged here, by the same rule and clock as on every system, from the moment
    // the bytes were taken.
    follow(m_framing.arrived(moved, now()));
    emit bytesArrived(m_inBuffer.size());
}

void WinSerialPort::onLook()
{
    m_lookDue.reset();
    if (!m_handle)
        return;
    // Bytes have arrived that are not taken yet: in the driver's queue, or in a read that has
    // ended and waits for the event loop. The line is not quiet, and their arrival will start
    // the quiet gap again.
    COMSTAT status{};
    DWORD errors = 0;
    const bool queued = ClearCommError(handleOf(m_handle), &errors, &status) && status.cbInQue > 0;
    const bool readEnded = m_read->pending && WaitForSingleObject(m_read->event, 0) == WAIT_OBJECT_0;
    follow(m_framing.tick(now(), queued || readEnded));
}

void WinSerialPort::follow(const ReplyFraming::Step &step)
{
    if (step.lookAgainAt != m_lookDue) {
        m_lookDue = step.lookAgainAt;
        if (m_lookDue)
            m_lookTimer.start(int(qMax<qint64>(0, *m_lookDue - now())));
        else
            m_lookTimer.stop();
    }
    // The handler of bytesArrived may have taken the bytes or closed the port.
    if (!step.notify || !m_handle || m_inBuffer.isEmpty())
        return;
    m_commEvent = EventReceive;
    emit OnComm();
    m_commEvent = EventNone;
}

void WinSerialPort::setRThreshold(int t)
{
    m_framing.setThreshold(t);
}

int WinSerialPort::rThreshold() const
{
    return m_framing.threshold();
}

void WinSerialPort::output(const QByteArray &bytes)
{
    if (!m_handle || bytes.isEmpty())
        return;
    // In order behind a write still under way, never beside it.
    m_outQueue.append(bytes);
    if (!m_write->pending)
        startWrite();
}

void WinSerialPort::startWrite()
{
    Transfer &write = *m_write;
    write.prepare();
    write.buffer = std::exchange(m_outQueue, QByteArray());
    write.requested = DWORD(write.buffer.size());
    if (WriteFile(handleOf(m_handle),
                  write.buffer.constData(),
                  write.requested,
                  nullptr,
                  &write.overlapped)
        || GetLastError() == ERROR_IO_PENDING) {
        write.pending = true;
        m_writeDone->setEnabled(true);
    }
    // Refused: the device is gone, and the outstanding read reports that.
}

void WinSerialPort::onWriteDone()
{
    Transfer &write = *m_write;
    if (!write.pending || !m_handle)
        return;
    m_writeDone->setEnabled(false);
    DWORD moved = 0;
    if (!GetOverlappedResult(handleOf(m_handle), &write.overlapped, &moved, FALSE)
        && GetLastError() == ERROR_IO_INCOMPLETE) {
        m_writeDone->setEnabled(true);
        return;
    }
    write.pending = false;
    if (!m_outQueue.isEmpty())
        startWrite();
}

QByteArray WinSerialPort::input()
{
    if (!m_handle)
        return {};
    m_framing.reset();
    follow({});
    return std::exchange(m_inBuffer, QByteArray());
}

void WinSerialPort::clearInBuffer()
{
    m_inBuffer.clear();
    m_framing.reset();
    follow({});
    if (!m_handle)
        return;
    // The outstanding read holds bytes the driver has handed over already: they go with the
    // rest, then the driver's own queue is emptied and a new read waits for what comes next.
    finish(*m_read);
    PurgeComm(handleOf(m_handle), PURGE_RXCLEAR);
    startRead();
}

void WinSerialPort::clearOutBuffer()
{
    // Nothing to do, on purpose: every byte queued here is a command just written, and dropping
    // one would pair the next reply with a command the instrument never got. A device that
    // never drains loses its queue when the supervision closes the port.
}

int WinSerialPort::commEvent() const
{
    return m_commEvent;
}

std::unique_ptr<SerialPort> makeSystemSerialPort(PortMap map)
{
    return std::make_unique<WinSerialPort>(std::move(map));
}
