#pragma once

#include "platform/portmap.h"
#include "platform/serialport.h"

#include <memory>

// The serial port of the system the program was built for: QSerialPort on Linux, the Win32
// communications functions on Windows. The window and the command-line program talk through
// this and never learn which one it is.
std::unique_ptr<SerialPort> makeSystemSerialPort(PortMap map = PortMap());
