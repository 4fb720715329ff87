#pragma once
// Fault injection shared by the simulators: faults armed for a command (or any), each let
// through `skip` matching commands, then fired once or, when persistent, every time.
#include <mutex>
#include <vector>

namespace vantor::sim {

// Fault needs `command` (-1: any), `skip` and `persistent`.
template <typename Fault>
class ArmedFaults {
public:
    void arm(const Fault &fault) {
        std::lock_guard lock(mutex_);
        armed_.push_back({fault, fault.skip});
    }
    void clear() {
        std::lock_guard lock(mutex_);
        armed_.clear();
    }
    int fired() const {
        std::lock_guard lock(mutex_);
        return fired_;
    }
    // Fires, in arming order, the faults `matches(fault)` accepts whose skips are used up.
    template <typename Matches, typename Fire>
    void take(Matches matches, Fire fire) {
        std::lock_guard lock(mutex_);
        for (auto it = armed_.begin(); it != armed_.end();) {
            if (!matches(it->fault)) {
                ++it;
                continue;
            }
            if (it->remaining > 0) {
                --it->remaining;
                ++it;
                continue;
            }
            ++fired_;
            fire(it->fault);
            it = it->fault.persistent ? it + 1 : armed_.erase(it);
        }
    }

private:
    struct Armed {
        Fault fault;
        int remaining;  // matching commands still to let through
    };
    mutable std::mutex mutex_;
    std::vector<Armed> armed_;
    int fired_ = 0;
};

}  // namespace vantor::sim
