#pragma once

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

// How late the machine is: a thread on each core naps 2 ms, then sends itself a byte round a
// pseudo-terminal of its own, and notes how much longer that took. A core the machine gives to
// other work (another process, the hypervisor) holds back whatever runs there, an event loop
// too; and a serial port's reads and polls wait for the kernel's worker that moves received
// bytes, as the probe's do. What is late here is the machine's doing, not the program's.
class MachineLateness
{
public:
    MachineLateness();
    ~MachineLateness();
    MachineLateness(const MachineLateness &) = delete;
    MachineLateness &operator=(const MachineLateness &) = delete;

    // The longest lateness on any core since the last call.
    std::int64_t takeLongestNs() { return m_longestNs.exchange(0); }

    // The calling thread's time on a core and its time waiting, ready to run, for one, by the
    // scheduler's own count (-1 where the kernel keeps none).
    struct ThreadTimes
    {
        std::int64_t runNs = -1;
        std::int64_t waitNs = -1;
    };
    static ThreadTimes threadTimes();

private:
    void probe(unsigned core);

    std::atomic<bool> m_stop{false};
    std::atomic<std::int64_t> m_longestNs{0};
    std::vector<std::thread> m_threads;
};
