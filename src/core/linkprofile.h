#pragma once

#include "core/record.h"

// The numbers the link to the instrument runs by, in one place: the ports the search tries, the
// rhythm of its timers and the sizes of the replies the receive threshold waits for. The
// session, the command line, the port map and the tests read them here.
namespace LinkProfile {

// The search tries COM1 to COM16, one port per tick.
inline constexpr int kPortCount = 16;
inline constexpr int kSearchTickMs = 500; // findcom
// A link is lost when the supervision ticks this many times without a byte, and once more.
inline constexpr int kSupervisionTickMs = 500; // COMtimout
inline constexpr int kSilentTicksTolerated = 4;
// Polling: a reading or a keep-alive, and the second reading request of realtime sampling.
inline constexpr int kPollTickMs = 500;    // comunication
inline constexpr int kReadingTickMs = 500; // Timer4
// The block request follows the count reply after this delay.
inline constexpr int kBlockRequestDelayMs = 100; // Timer3

// Reply sizes, which the receive threshold is set to before each command.
inline constexpr int kHandshakeReplyBytes = 3; // D5 55 55
inline constexpr int kCountReplyBytes = 4;     // 05 05 hundreds units; also after 0 and 55
inline constexpr int kReadingReplyBytes = Record::kBytes;

// The longest an instrument may take to start answering a command and the longest pause inside
// an answer: a tester behind a Bluetooth serial link answers up to this late. An answer not in by
// its bytes' time on the line plus this is not coming any more.
inline constexpr int kLongestTurnaroundMs = 150;

// How long the search takes to find an instrument that answers at any port: every port's tick
// and the tick that sees the answer.
inline constexpr int kSearchRoundMs = (kPortCount + 1) * kSearchTickMs;
// How long a silent link takes to be declared lost.
inline constexpr int kLossMs = (kSilentTicksTolerated + 1) * kSupervisionTickMs;

// The line: 9600 baud, 8 data bits, no parity, 1 stop bit, no flow control, raw bytes. Every
// serial backend opens it so, and the simulated tester paces its bytes by the same byte time.
inline constexpr int kBaudRate = 9600;
inline constexpr int kDataBits = 8;
inline constexpr bool kParity = false;
inline constexpr int kStopBits = 1;
inline constexpr int kBitsPerByte = 1 + kDataBits + (kParity ? 1 : 0) + kStopBits; // start bit too
// One byte on the line, in nanoseconds (1.04 ms at 9600 8N1).
inline constexpr qint64 kByteNs = (1'000'000'000LL * kBitsPerByte + kBaudRate / 2) / kBaudRate;
// Closing a port may put back the settings found at open, or cut the driver's transmit queue. A
// byte handed on just before may still be in the UART or the adapter (about a byte time): a port
// gives it this long to leave before closing.
inline constexpr int kLineSettleMs = 3;

} // namespace LinkProfile
