#pragma once

#include <utility>

namespace vantrel {

// One move-only owner for every kind of handle. Traits name the type, its invalid value and how
// to close it, e.g.
//   struct Traits { using Type = HANDLE; static Type invalid() noexcept; static void close(Type) noexcept; };
template <class Traits>
class UniqueHandle {
  public:
    using Type = typename Traits::Type;

    UniqueHandle() noexcept : value_(Traits::invalid()) {}
    explicit UniqueHandle(Type value) noexcept : value_(value) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    Type get() const noexcept { return value_; }
    bool valid() const noexcept { return value_ != Traits::invalid(); }
    explicit operator bool() const noexcept { return valid(); }

    Type release() noexcept { return std::exchange(value_, Traits::invalid()); }
    void reset(Type value = Traits::invalid()) noexcept {
        Type old = std::exchange(value_, value);
        if (old != Traits::invalid())
            Traits::close(old);
    }
    // For APIs that fill an out-parameter: closes what is held first.
    Type* put() noexcept {
        reset();
        return &value_;
    }

  private:
    Type value_;
};

}  // namespace vantrel
