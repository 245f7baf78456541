// The events a backend makes itself (sizes, visibility, translated window
// messages) until PollEvent hands them out, oldest first; one fixed ring for
// every backend, so nothing is allocated while a run handles its input.
#pragma once

#include "platform/platform.h"

namespace platform {

class EventQueue {
public:
    static constexpr int kSize = 32;

    // A full queue drops the new event: only a loop that stopped polling
    // fills it, and its oldest events say most.
    void Push(const Event& event) {
        if (count_ == kSize) return;
        events_[(head_ + count_) % kSize] = event;
        ++count_;
    }
    bool Pop(Event* event) {
        if (count_ == 0) return false;
        *event = events_[head_];
        head_ = (head_ + 1) % kSize;
        --count_;
        return true;
    }
    bool Empty() const { return count_ == 0; }
    void Clear() { head_ = count_ = 0; }

private:
    Event events_[kSize];
    int head_ = 0;
    int count_ = 0;
};

}  // namespace platform
