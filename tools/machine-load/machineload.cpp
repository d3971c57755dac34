#include "machine-load/machineload.h"

#include <algorithm>

MachineLoad::MachineLoad(int threads)
    : m_threads(threads > 0 ? threads : int(std::max(1u, std::thread::hardware_concurrency())))
{}

MachineLoad::~MachineLoad()
{
    stop();
}

void MachineLoad::start()
{
    if (busy())
        return;
    m_spin = true;
    for (int i = 0; i < m_threads; ++i) {
        m_workers.emplace_back([this] {
            // Work the optimiser cannot drop, and no call that would give the core away.
            volatile unsigned sink = 0;
            while (m_spin.load(std::memory_order_relaxed))
                sink = sink * 1664525u + 1013904223u;
        });
    }
}

void MachineLoad::stop()
{
    m_spin = false;
    for (std::thread &worker : m_workers)
        worker.join();
    m_workers.clear();
}
