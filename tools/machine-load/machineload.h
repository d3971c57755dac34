#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

// A busy machine on demand: threads that spin at full speed, one per core unless told otherwise,
// at the same priority as everything else, as a compiler or a stuck program would. What a user's
// machine does to the program at the worst moment, made repeatable for the soak and the scripts.
//
// The threads are made once and then only switched between spinning and waiting: making a thread
// takes a lock of the whole process, which a thread of the program would wait for, a wait no
// other process's load ever causes.
class MachineLoad
{
public:
    // threads <= 0: one per core.
    explicit MachineLoad(int threads = 0);
    ~MachineLoad();
    MachineLoad(const MachineLoad &) = delete;
    MachineLoad &operator=(const MachineLoad &) = delete;

    void start();
    void stop(); // ends the spells too
    // Busy now and then, until stop(): spells of 1 to 6 s, 5 to 25 s apart, at random from seed.
    void startSpells(unsigned seed);
    bool busy() const { return m_spin; }
    int spells() const { return m_spells; }
    int threads() const { return m_threads; }

private:
    void spin(bool on);

    const int m_threads;
    std::atomic<bool> m_spin{false};
    std::atomic<int> m_spells{0};
    std::mutex m_mutex;
    std::condition_variable m_wake; // workers: spin or quit; spells: stop
    bool m_quit = false;
    bool m_stopSpells = false;
    std::vector<std::thread> m_workers;
    std::thread m_spellThread;
};
