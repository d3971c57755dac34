#include "machine-load/machinelateness.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include <poll.h>
#include <pthread.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

MachineLateness::MachineLateness()
{
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned core = 0; core < cores; ++core)
        m_threads.emplace_back([this, core] { probe(core); });
}

MachineLateness::~MachineLateness()
{
    m_stop = true;
    for (std::thread &thread : m_threads)
        thread.join();
}

void MachineLateness::probe(unsigned core)
{
    using namespace std::chrono;
    cpu_set_t only;
    CPU_ZERO(&only);
    CPU_SET(core, &only);
    ::pthread_setaffinity_np(::pthread_self(), sizeof only, &only);
    int master = -1;
    int slave = -1;
    termios raw{};
    ::cfmakeraw(&raw);
    const bool pty = ::openpty(&master, &slave, nullptr, &raw, nullptr) == 0;
    constexpr nanoseconds kNap = milliseconds(2);
    while (!m_stop) {
        const auto before = steady_clock::now();
        std::this_thread::sleep_for(kNap);
        char byte = 0;
        pollfd readable{slave, POLLIN, 0};
        if (pty && ::write(master, &byte, 1) == 1 && ::poll(&readable, 1, 1000) == 1)
            [[maybe_unused]] const ssize_t n = ::read(slave, &byte, 1);
        const std::int64_t late
                = duration_cast<nanoseconds>(steady_clock::now() - before - kNap).count();
        std::int64_t longest = m_longestNs.load();
        while (late > longest && !m_longestNs.compare_exchange_weak(longest, late)) {
        }
    }
    if (pty) {
        ::close(master);
        ::close(slave);
    }
}

MachineLateness::ThreadTimes MachineLateness::threadTimes()
{
    ThreadTimes times;
    if (std::FILE *stat = std::fopen("/proc/thread-self/schedstat", "r")) {
        long long run = 0;
        long long wait = 0;
        if (std::fscanf(stat, "%lld %lld", &run, &wait) == 2)
            times = {run, wait};
        std::fclose(stat);
    }
    return times;
}
