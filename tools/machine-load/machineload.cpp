#include "machine-load/machineload.h"

#include <algorithm>
#include <chrono>
#include <random>

MachineLoad::MachineLoad(int threads)
    : m_threads(threads > 0 ? threads : int(std::max(1u, std::thread::hardware_concurrency())))
{}

MachineLoad::~MachineLoad()
{
    stop();
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    for (std::thread &worker : m_workers)
        worker.join();
}

void MachineLoad::spin(bool on)
{
    if (m_workers.empty()) {
        for (int i = 0; i < m_threads; ++i) {
            m_workers.emplace_back([this] {
                for (;;) {
                    {
                        std::unique_lock<std::mutex> lock(m_mutex);
                        m_wake.wait(lock, [this] { return m_spin || m_quit; });
                        if (m_quit)
                            return;
                    }
                    // Work the optimiser cannot drop, and no call that would give the core away.
                    volatile unsigned sink = 0;
                    while (m_spin.load(std::memory_order_relaxed))
                        sink = sink * 1664525u + 1013904223u;
                }
            });
        }
    }
    m_spin = on;
    m_wake.notify_all();
}

void MachineLoad::start()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    spin(true);
}

void MachineLoad::stop()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopSpells = true;
        spin(false);
    }
    m_wake.notify_all();
    if (m_spellThread.joinable())
        m_spellThread.join();
}

void MachineLoad::startSpells(unsigned seed)
{
    const std::lock_guard<std::mutex> guard(m_mutex);
    if (m_spellThread.joinable())
        return;
    m_stopSpells = false;
    spin(false); // the threads made now, waiting
    m_spellThread = std::thread([this, seed] {
        std::mt19937 random(seed);
        const auto ms = [&](int low, int high) {
            return std::chrono::milliseconds(std::uniform_int_distribution<int>(low, high)(random));
        };
        std::unique_lock<std::mutex> lock(m_mutex);
        const auto stopped = [this] { return m_stopSpells; };
        while (!m_wake.wait_for(lock, ms(5000, 25000), stopped)) {
            ++m_spells;
            spin(true);
            const bool over = m_wake.wait_for(lock, ms(1000, 6000), stopped);
            spin(false);
            if (over)
                return;
        }
    });
}
