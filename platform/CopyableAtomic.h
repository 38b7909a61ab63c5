#pragma once
// An atomic value that can be copied: a copy takes the value the other holds at that moment. For records
// that share a field or two with another thread but are otherwise plain values, so that they keep their
// default copy operations.

#include <atomic>

namespace platform {

template <typename T>
class CCopyableAtomic : public std::atomic<T> {
public:
    using std::atomic<T>::atomic;
    using std::atomic<T>::operator=;
    CCopyableAtomic(const CCopyableAtomic& other) : std::atomic<T>(other.load()) {}
    CCopyableAtomic& operator=(const CCopyableAtomic& other) {
        this->store(other.load());
        return *this;
    }
};

}  // namespace platform
