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
}

void MachineLoad::spin(bool on)
{
    if (on == !m_workers.empty())
        return;
    m_spin = on;
    if (on) {
        for (int i = 0; i < m_threads; ++i) {
            m_workers.emplace_back([this] {
                // Work the optimiser cannot drop, and no call that would give the core away.
                volatile unsigned sink = 0;
                while (m_spin.load(std::memory_order_relaxed))
                    sink = sink * 1664525u + 1013904223u;
            });
        }
    } else {
        for (std::thread &worker : m_workers)
            worker.join();
        m_workers.clear();
    }
    m_busy = on;
}

void MachineLoad::start()
{
    spin(true);
}

void MachineLoad::stop()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopSpells = true;
    }
    m_wake.notify_all();
    if (m_spellThread.joinable())
        m_spellThread.join();
    spin(false);
}

void MachineLoad::startSpells(unsigned seed)
{
    if (m_spellThread.joinable())
        return;
    m_stopSpells = false;
    m_spellThread = std::thread([this, seed] {
        std::mt19937 random(seed);
        const auto ms = [&](int low, int high) {
            return std::chrono::milliseconds(std::uniform_int_distribution<int>(low, high)(random));
        };
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            if (m_wake.wait_for(lock, ms(5000, 25000), [this] { return m_stopSpells; }))
                return;
            ++m_spells;
            spin(true);
            const bool stopped = m_wake.wait_for(lock, ms(1000, 6000), [this] {
                return m_stopSpells;
            });
            spin(false);
            if (stopped)
                return;
        }
    });
}
