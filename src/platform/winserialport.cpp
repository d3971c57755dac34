#include "platform/winserialport.h"

#include "core/linkprofile.h"
#include "platform/systemserialport.h"

#include <QWinEventNotifier>

#include <utility>

#include <windows.h>

namespace {
// A read ends once the line has been quiet for the interval after a byte, or at the latest this
// long after it began.
constexpr DWORD kReadIntervalMs = DWORD(ReplyFraming::kQuietGapMs);
constexpr DWORD kReadTotalMs = 20;
// Bytes one read may take. Few, because how closely a driver keeps to the times above is its own
// affair: on a line that never pauses (a block of records written evenly, a byte every 1.04 ms)
// Wine keeps a read going for as long as bytes come, its total time forgotten. Reads of 4096
// bytes took 916 bytes in one second, then the next ran on until the link's supervision declared
// the tester silent. A read of 32 bytes ends after 33 ms of such a line, whatever the driver does
// with its times.
constexpr DWORD kReadChunk = 32;
static_assert(kReadChunk * LinkProfile::kByteNs <= 50'000'000,
              "a read on a line that never pauses must end well inside the supervision's tick");
// Asked of the driver for its own queues: a whole block of records (32767 bytes) fits, so the
// bytes that arrive between two reads wait there.
constexpr DWORD kDriverQueue = 65536;
// A read that ends at once with nothing (a driver that does not wait) is followed by the next
// one this much later, so it cannot spin the event loop.
constexpr int kEmptyReadPauseMs = 10;

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
    : FramedSerialPort(std::move(map), parent)
    , m_read(std::make_unique<Transfer>())
    , m_write(std::make_unique<Transfer>())
    , m_readDone(new QWinEventNotifier(m_read->event, this))
    , m_writeDone(new QWinEventNotifier(m_write->event, this))
{
    m_readDone->setEnabled(false);
    m_writeDone->setEnabled(false);
    connect(m_readDone, &QWinEventNotifier::activated, this, &WinSerialPort::onReadDone);
    connect(m_writeDone, &QWinEventNotifier::activated, this, &WinSerialPort::onWriteDone);
    m_nextRead.setSingleShot(true);
    connect(&m_nextRead, &QTimer::timeout, this, &WinSerialPort::startRead);
}

WinSerialPort::~WinSerialPort()
{
    closePort();
}

bool WinSerialPort::portOpen() const
{
    return m_handle != nullptr;
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

bool WinSerialPort::deviceGone(unsigned long systemError)
{
    switch (systemError) {
    case ERROR_INVALID_HANDLE:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_ACCESS_DENIED: // what most USB serial drivers answer once the adapter is out
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
        return true;
    default: // a framing or overrun error, an operation a purge aborted: the line is still there
        return false;
    }
}

QString WinSerialPort::devicePathFor(const QString &name)
{
    const QString prefix = QStringLiteral("\\\\.\\");
    return name.startsWith(prefix) ? name : prefix + name;
}

SerialPort::OpenResult WinSerialPort::openPort()
{
    closePort();
    const QString name = devicePath();
    if (name.isEmpty())
        return NoSuchPort;
    const QString path = devicePathFor(name);
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
    static_assert(!LinkProfile::kParity && LinkProfile::kStopBits == 1);
    dcb.BaudRate = DWORD(LinkProfile::kBaudRate);
    dcb.ByteSize = BYTE(LinkProfile::kDataBits);
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
    // A read waits for its first byte at most kReadTotalMs, and ends once the line has been quiet
    // for the interval after a byte. Writes never time out (closing ends them).
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = kReadIntervalMs;
    timeouts.ReadTotalTimeoutConstant = kReadTotalMs;
    if (!SetCommTimeouts(handle, &timeouts))
        return false;
    SetupComm(handle, kDriverQueue, kDriverQueue); // a wish; a driver may keep its own sizes
    PurgeComm(handle, PURGE_RXCLEAR | PURGE_TXCLEAR);
    return true;
}

void WinSerialPort::closeDevice()
{
    m_outQueue.clear();
    m_nextRead.stop();
    if (!m_handle)
        return;
    if (m_write->pending)
        WaitForSingleObject(m_write->event, DWORD(LinkProfile::kLineSettleMs));
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
    m_nextRead.stop();
    if (!m_handle || m_read->pending)
        return;
    Transfer &read = *m_read;
    read.prepare();
    read.requested = kReadChunk;
    read.buffer.resize(qsizetype(kReadChunk));
    m_readStarted.start();
    // Whether it ends at once or later, its end is taken from the event loop, so no bytes are
    // told from inside the call that started the read.
    if (ReadFile(handleOf(m_handle), read.buffer.data(), read.requested, nullptr, &read.overlapped)
        || GetLastError() == ERROR_IO_PENDING) {
        read.pending = true;
        m_readDone->setEnabled(true);
        return;
    }
    if (deviceGone(GetLastError()))
        lose();
    else
        m_nextRead.start(kEmptyReadPauseMs);
}

bool WinSerialPort::collect(Transfer &transfer, QWinEventNotifier *done, unsigned long *moved,
                            unsigned long *error)
{
    if (!transfer.pending || !m_handle)
        return false;
    done->setEnabled(false);
    *moved = 0;
    *error = 0;
    if (!GetOverlappedResult(handleOf(m_handle), &transfer.overlapped, moved, FALSE)) {
        *error = GetLastError();
        if (*error == ERROR_IO_INCOMPLETE) {
            done->setEnabled(true);
            return false;
        }
    }
    transfer.pending = false;
    return true;
}

void WinSerialPort::onReadDone()
{
    DWORD moved = 0;
    DWORD error = 0;
    if (!collect(*m_read, m_readDone, &moved, &error))
        return;
    if (error != 0) {
        if (deviceGone(error)) {
            lose();
            return;
        }
        // A line error (noise, an overrun): cleared, and reading goes on.
        COMSTAT status{};
        DWORD errors = 0;
        ClearCommError(handleOf(m_handle), &errors, &status);
    }
    takeIn(m_read->buffer.constData(), qint64(moved));
    if (moved == 0 && m_readStarted.elapsed() < qint64(kReadTotalMs) / 2)
        m_nextRead.start(kEmptyReadPauseMs);
    else
        startRead();
    // A read ends on the driver's interval or its total time, but how closely a driver (or
    // Wine's emulation) keeps to them is its own affair: the quiet line is judged by the framing
    // rule, from the moment the bytes were taken.
    if (moved > 0 && m_handle)
        announce(qint64(moved));
}

void WinSerialPort::takeWaiting()
{
    // Bytes in the outstanding read come with its end; those are all there is.
}

void WinSerialPort::discardWaiting()
{
    // The outstanding read holds bytes the driver has handed over already: they go with the
    // rest, then the driver's own queue is emptied and a new read waits for what comes next.
    finish(*m_read);
    PurgeComm(handleOf(m_handle), PURGE_RXCLEAR);
    startRead();
}

bool WinSerialPort::systemHoldsBytes()
{
    // Bytes in the driver's queue, or in a read that has ended and waits for the event loop.
    COMSTAT status{};
    DWORD errors = 0;
    const bool queued = ClearCommError(handleOf(m_handle), &errors, &status) && status.cbInQue > 0;
    return queued || (m_read->pending && WaitForSingleObject(m_read->event, 0) == WAIT_OBJECT_0);
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
    DWORD moved = 0;
    DWORD error = 0;
    if (collect(*m_write, m_writeDone, &moved, &error) && !m_outQueue.isEmpty())
        startWrite();
}

std::unique_ptr<SerialPort> makeSystemSerialPort(PortMap map)
{
    return std::make_unique<WinSerialPort>(std::move(map));
}
