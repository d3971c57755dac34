#pragma once

#include <atomic>
#include <thread>
#include <vector>

// A busy machine on demand: threads that spin at full speed, one per core unless told otherwise,
// at the same priority as everything else, as a compiler or a stuck program would. What a user's
// machine does to the program at the worst moment, made repeatable for the soak and the scripts.
class MachineLoad
{
public:
    // threads <= 0: one per core.
    explicit MachineLoad(int threads = 0);
    ~MachineLoad();
    MachineLoad(const MachineLoad &) = delete;
    MachineLoad &operator=(const MachineLoad &) = delete;

    void start(); // nothing when already spinning
    void stop();  // returns once every thread has ended
    bool busy() const { return !m_workers.empty(); }
    int threads() const { return m_threads; }

private:
    int m_threads;
    std::atomic<bool> m_spin{false};
    std::vector<std::thread> m_workers;
};
