#pragma once

#include <climits>
#include <cstddef>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>

// Positive 32-bit ids for objects handed to callers of the C API. 0 and -1 are never
// issued. Ids are issued in increasing order and one is issued again only after the
// counter has wrapped past INT_MAX, so a closed id keeps naming nothing.
template <class T>
class HandleTable {
public:
    explicit HandleTable(int firstId = 1) : next_(firstId > 0 ? firstId : 1) {}

    // Issues an id for object; bind(id) runs before any other thread can find it
    // (under the table's lock: bind must not call the table).
    // Returns -1 for a null object or when every id is taken.
    template <class Bind>
    int Add(std::shared_ptr<T> object, Bind&& bind) {
        if (!object) {
            return -1;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (objects_.size() >= static_cast<std::size_t>(INT_MAX)) {
            return -1;
        }
        int id = next_;
        while (objects_.count(id) != 0) {
            id = Following(id);
        }
        next_ = Following(id);
        bind(id);
        objects_.emplace(id, std::move(object));
        return id;
    }

    int Add(std::shared_ptr<T> object) {
        return Add(std::move(object), [](int) {});
    }

    // The object of id, or null when id names none.
    std::shared_ptr<T> Find(int id) const {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = objects_.find(id);
        return found == objects_.end() ? nullptr : found->second;
    }

    // Removes id and hands its object back (null when id names none). Calls still
    // running on the object keep it alive until they return.
    std::shared_ptr<T> Take(int id) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = objects_.find(id);
        if (found == objects_.end()) {
            return nullptr;
        }
        std::shared_ptr<T> object = std::move(found->second);
        objects_.erase(found);
        return object;
    }

    std::size_t Size() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return objects_.size();
    }

private:
    static int Following(int id) { return id == INT_MAX ? 1 : id + 1; }

    mutable std::mutex mutex_;
    std::unordered_map<int, std::shared_ptr<T>> objects_;
    int next_;
};

class ReaderSession;

// The open readers of the process.
HandleTable<ReaderSession>& Readers();

// Removes the reader from the table. The session is closed and freed once no call uses
// it any more.
void CloseReader(int handle);
