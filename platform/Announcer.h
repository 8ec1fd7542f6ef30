#pragma once
// Announcer: the observers of one owner's changes, told in the order they
// subscribed. A subscription is a value: dropping it ends the observation, so
// an observer that goes away can never be called.
//
// A change announced while observers are being told (an observer changed the
// owner) is told once the current round has ended, merged with any others,
// so every observer sees every change in order and nobody is re-entered.
//
// Thread: one thread, the owner's; nothing here locks.

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <type_traits>
#include <utility>

namespace tamrel {

template <class Changes> class Announcer {
    struct State;

public:
    using Observer = std::function<void(const Changes&)>;

    class Subscription {
    public:
        Subscription() = default;
        Subscription(Subscription&&) noexcept = default;
        Subscription& operator=(Subscription&& other) noexcept {
            reset();
            state_ = std::move(other.state_);
            it_ = other.it_;
            return *this;
        }
        ~Subscription() { reset(); }
        void reset() {
            if (auto s = state_.lock())
                s->observers.erase(it_);
            state_.reset();
        }

    private:
        friend class Announcer;
        std::weak_ptr<State> state_;
        typename std::list<std::shared_ptr<Observer>>::iterator it_;
    };

    Announcer() : state_(std::make_shared<State>()) {}
    Announcer(const Announcer&) = delete;
    Announcer& operator=(const Announcer&) = delete;

    [[nodiscard]] Subscription Subscribe(Observer observer) {
        Subscription s;
        s.state_ = state_;
        s.it_ = state_->observers.insert(state_->observers.end(),
                                         std::make_shared<Observer>(std::move(observer)));
        return s;
    }

    // Tells every observer. A change announced during a round is merged
    // (bits or'ed, or Changes::merged) into the next round.
    void Announce(const Changes& changes) {
        State& s = *state_;
        if (s.announcing) {
            s.pending = s.hasPending ? Merge(s.pending, changes) : changes;
            s.hasPending = true;
            return;
        }
        s.announcing = true;
        Changes now = changes;
        for (;;) {
            // A copy: observers may subscribe or unsubscribe while told.
            std::list<std::weak_ptr<Observer>> round(s.observers.begin(), s.observers.end());
            for (const std::weak_ptr<Observer>& o : round)
                if (std::shared_ptr<Observer> observer = o.lock())
                    (*observer)(now);
            if (!s.hasPending)
                break;
            now = std::exchange(s.pending, Changes{});
            s.hasPending = false;
        }
        s.announcing = false;
    }

    std::size_t ObserverCount() const { return state_->observers.size(); }

private:
    struct State {
        std::list<std::shared_ptr<Observer>> observers;
        bool announcing = false;
        bool hasPending = false;
        Changes pending{};
    };

    static Changes Merge(const Changes& a, const Changes& b) {
        if constexpr (std::is_integral_v<Changes>)
            return a | b;
        else
            return a.merged(b);
    }

    std::shared_ptr<State> state_;
};

} // namespace tamrel
