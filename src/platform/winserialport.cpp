#include "platform/winserialport.h"

#include "core/linkprofile.h"
#include "platform/systemserialport.h"

#include <QWinEventNotifier>

#include <utility>

#include <windows.h>

namespace {
// Asked of the driver for its own queues: a whole block of records (32767 bytes) fits.
constexpr DWORD kDriverQueue = 65536;
// While the threshold is further off than kWakeBatch bytes, the next wait starts kBatchMs later
// (some twenty bytes at 9600 baud), so the bytes are taken in batches; nearer, it starts at once
// and every byte is told as it comes.
constexpr int kWakeBatch = 32;
constexpr int kBatchMs = 20;
// A wait that ends with nothing to read happens once after bytes were read (the driver kept the
// event of bytes already taken); a second in a row starts the next wait this much later, so a
// driver that keeps ending waits at once cannot spin the event loop.
constexpr int kEmptyWakePauseMs = 10;
// How long closing waits for a wait for the driver's event to end.
constexpr DWORD kWaitEndMs = 100;

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
    , m_wait(std::make_unique<Transfer>())
    , m_read(std::make_unique<Transfer>())
    , m_write(std::make_unique<Transfer>())
    , m_waitDone(new QWinEventNotifier(m_wait->event, this))
    , m_writeDone(new QWinEventNotifier(m_write->event, this))
{
    m_waitDone->setEnabled(false);
    m_writeDone->setEnabled(false);
    connect(m_waitDone, &QWinEventNotifier::activated, this, &WinSerialPort::onWaitDone);
    connect(m_writeDone, &QWinEventNotifier::activated, this, &WinSerialPort::onWriteDone);
    m_nextWait.setSingleShot(true);
    connect(&m_nextWait, &QTimer::timeout, this, &WinSerialPort::startWait);
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
    m_emptyWakes = 0;
    startWait();
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
    // A read returns at once with what the driver holds, none at all included: reads follow the
    // driver's event and never wait. Writes never time out (closing ends them).
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    if (!SetCommTimeouts(handle, &timeouts))
        return false;
    // Only the received-byte event: line errors are cleared at every read anyway, and a wait for
    // them fails at once where the driver keeps no error counters (Wine on a pseudo-terminal).
    if (!SetCommMask(handle, EV_RXCHAR))
        return false;
    SetupComm(handle, kDriverQueue, kDriverQueue); // a wish; a driver may keep its own sizes
    PurgeComm(handle, PURGE_RXCLEAR | PURGE_TXCLEAR);
    return true;
}

void WinSerialPort::closeDevice()
{
    m_outQueue.clear();
    m_nextWait.stop();
    if (!m_handle)
        return;
    if (m_write->pending)
        WaitForSingleObject(m_write->event, DWORD(LinkProfile::kLineSettleMs));
    finish(*m_wait);
    finish(*m_write);
    CloseHandle(handleOf(m_handle));
    m_handle = nullptr;
}

void WinSerialPort::finish(Transfer &transfer)
{
    (&transfer == m_wait.get() ? m_waitDone : m_writeDone)->setEnabled(false);
    if (!transfer.pending)
        return;
    DWORD moved = 0;
    if (&transfer == m_wait.get()) {
        // A wait for the driver's event ends once the event mask is set anew: on Windows, and
        // under Wine, whose wait is a thread watching the mask rather than a request that a
        // cancel reaches. Waited for a moment, never for ever.
        SetCommMask(handleOf(m_handle), 0);
        CancelIoEx(handleOf(m_handle), &transfer.overlapped);
        if (WaitForSingleObject(transfer.event, kWaitEndMs) == WAIT_OBJECT_0)
            GetOverlappedResult(handleOf(m_handle), &transfer.overlapped, &moved, FALSE);
        transfer.pending = false;
        return;
    }
    // Cancelled and waited for: the driver is done with the buffer once this returns, which
    // takes no longer than the driver needs to hand the request back.
    CancelIoEx(handleOf(m_handle), &transfer.overlapped);
    GetOverlappedResult(handleOf(m_handle), &transfer.overlapped, &moved, TRUE);
    transfer.pending = false;
}

void WinSerialPort::lose()
{
    // The device went away (an adapter pulled out): the link's supervision hears the silence
    // and searches again, as it does on Linux.
    closePort();
}

void WinSerialPort::startWait()
{
    m_nextWait.stop();
    if (!m_handle || m_wait->pending)
        return;
    Transfer &wait = *m_wait;
    wait.prepare();
    m_events = 0;
    // Whether it ends at once or later, its end is taken from the event loop, so no bytes are
    // told from inside the call that started the wait.
    const bool ended = WaitCommEvent(handleOf(m_handle), &m_events, &wait.overlapped);
    if (ended || GetLastError() == ERROR_IO_PENDING) {
        // A wait that ended at once signals its event on Windows; said again, to be sure of it
        // wherever an emulation may not.
        if (ended)
            SetEvent(wait.event);
        wait.pending = true;
        m_waitDone->setEnabled(true);
        return;
    }
    if (deviceGone(GetLastError()))
        lose();
    else
        m_nextWait.start(kEmptyWakePauseMs);
}

// Takes the end of the transfer whose notifier woke. False when there is none to take: the port
// was closed meanwhile, or the wake-up was an older one and the transfer is still on. `error`
// is 0 when the transfer succeeded, else GetLastError's code.
bool WinSerialPort::collect(Transfer &transfer, QWinEventNotifier *done, unsigned long *error)
{
    if (!transfer.pending || !m_handle)
        return false;
    done->setEnabled(false);
    DWORD moved = 0;
    *error = 0;
    if (!GetOverlappedResult(handleOf(m_handle), &transfer.overlapped, &moved, FALSE)) {
        *error = GetLastError();
        if (*error == ERROR_IO_INCOMPLETE) {
            done->setEnabled(true);
            return false;
        }
    }
    transfer.pending = false;
    return true;
}

void WinSerialPort::onWaitDone()
{
    DWORD error = 0;
    if (!collect(*m_wait, m_waitDone, &error))
        return;
    if (deviceGone(error)) {
        lose();
        return;
    }
    const qint64 count = readQueued();
    if (!m_handle)
        return;
    m_emptyWakes = count > 0 ? 0 : m_emptyWakes + 1;
    const bool thresholdFar = rThreshold() > 0 && rThreshold() - waitingBytes() > kWakeBatch;
    if (m_emptyWakes > 1)
        m_nextWait.start(kEmptyWakePauseMs);
    else if (count > 0 && thresholdFar)
        m_nextWait.start(kBatchMs);
    else
        startWait();
    if (count > 0)
        announce(count);
}

qint64 WinSerialPort::readQueued()
{
    // Clearing the line's error state is what lets reading go on after noise on the line.
    COMSTAT status{};
    DWORD errors = 0;
    if (!ClearCommError(handleOf(m_handle), &errors, &status)) {
        if (deviceGone(GetLastError()))
            lose();
        return 0;
    }
    if (status.cbInQue == 0)
        return 0;
    Transfer &read = *m_read;
    read.prepare();
    read.requested = status.cbInQue;
    read.buffer.resize(qsizetype(read.requested));
    DWORD moved = 0;
    // The bytes are there and reads never wait: a read still pending ends at once.
    if ((!ReadFile(handleOf(m_handle), read.buffer.data(), read.requested, nullptr, &read.overlapped)
         && GetLastError() != ERROR_IO_PENDING)
        || !GetOverlappedResult(handleOf(m_handle), &read.overlapped, &moved, TRUE)) {
        if (deviceGone(GetLastError()))
            lose();
        return 0;
    }
    takeIn(read.buffer.constData(), qint64(moved));
    return qint64(moved);
}

void WinSerialPort::takeWaiting()
{
    readQueued();
}

void WinSerialPort::discardWaiting()
{
    PurgeComm(handleOf(m_handle), PURGE_RXCLEAR);
}

bool WinSerialPort::systemHoldsBytes()
{
    // No read is ever outstanding: a byte not taken in yet is in the driver's queue.
    COMSTAT status{};
    DWORD errors = 0;
    return ClearCommError(handleOf(m_handle), &errors, &status) && status.cbInQue > 0;
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
    DWORD error = 0;
    if (collect(*m_write, m_writeDone, &error) && !m_outQueue.isEmpty())
        startWrite();
}

std::unique_ptr<SerialPort> makeSystemSerialPort(PortMap map)
{
    return std::make_unique<WinSerialPort>(std::move(map));
}
