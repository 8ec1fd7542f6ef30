#pragma once
// The lines of the settings file that could not be read, each listed once in
// the order they were found, however often the file is read again. Any thread.

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace tamrel::detail {

class LoadProblemLog {
public:
    void add(const std::vector<std::string>& problems) {
        std::lock_guard lock(mutex_);
        for (const std::string& p : problems)
            if (std::find(list_.begin(), list_.end(), p) == list_.end())
                list_.push_back(p);
    }
    std::vector<std::string> all() const {
        std::lock_guard lock(mutex_);
        return list_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> list_;
};

} // namespace tamrel::detail
