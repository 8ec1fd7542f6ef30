#pragma once
// A message's payload: one value of any movable type, moved in by the sender and
// owned by the receiver. Replaces the heap blocks that travel with posted messages.

#include <memory>
#include <typeinfo>
#include <utility>

namespace tamrel {

class Payload {
public:
    Payload() = default;

    template <class T> static Payload of(T value) {
        Payload p;
        p.holder_ = std::make_unique<Holder<T>>(std::move(value));
        return p;
    }

    bool empty() const { return !holder_; }

    template <class T> bool holds() const { return holder_ && holder_->type() == typeid(T); }

    // The value when it is a T, else null.
    template <class T> T* get() {
        return holds<T>() ? &static_cast<Holder<T>*>(holder_.get())->value : nullptr;
    }
    template <class T> const T* get() const {
        return holds<T>() ? &static_cast<const Holder<T>*>(holder_.get())->value : nullptr;
    }

private:
    struct Base {
        virtual ~Base() = default;
        virtual const std::type_info& type() const = 0;
    };
    template <class T> struct Holder final : Base {
        explicit Holder(T v) : value(std::move(v)) {}
        const std::type_info& type() const override { return typeid(T); }
        T value;
    };
    std::unique_ptr<Base> holder_;
};

} // namespace tamrel
