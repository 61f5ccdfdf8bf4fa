#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
#include <type_traits>

namespace vantrel {

// A type descriptor: how to size, copy and release one value of a type that travels between
// threads by copy. Descriptors are used through their class reference (classOf<D>()) only.
class TTypeT {
  public:
    virtual ~TTypeT() = default;
    virtual size_t Size() const { return 0; }
    // Copies the value at source into destination, a block of at least Size() bytes that holds no
    // live value.
    virtual void Copy(const void* /*source*/, void* /*destination*/) const {}
    // Releases what the value owns, not the block itself.
    virtual void Dispose(void* /*value*/) const {}
    // Moves one value from source into destination (a block that holds no live value); source is
    // left holding none. Never fails, so a list can regrow and replace elements without losing
    // any. A byte move by default, right for plain records.
    virtual void Move(void* source, void* destination) const noexcept {
        std::memcpy(destination, source, Size());
    }
};

using TTypeClass = const TTypeT*;

template <class D>
TTypeClass classOf() {
    static const D descriptor;
    return &descriptor;
}

// The descriptor of a C++ value type: byte copy for plain records, copy construction (strings
// shared by reference) and destruction for records that own something.
template <class T>
class TValueT : public TTypeT {
  public:
    using Value = T;
    size_t Size() const override { return sizeof(T); }
    void Copy(const void* source, void* destination) const override {
        ::new (destination) T(*static_cast<const T*>(source));
    }
    void Dispose(void* value) const override {
        if constexpr (!std::is_trivially_destructible_v<T>)
            static_cast<T*>(value)->~T();
    }
    // A value may point into itself (a short string), so it is moved by its own constructor.
    void Move(void* source, void* destination) const noexcept override {
        static_assert(std::is_nothrow_move_constructible_v<T>, "list elements must move without failing");
        T* from = static_cast<T*>(source);
        ::new (destination) T(std::move(*from));
        from->~T();
    }
};

// Signed values, and notifications that carry none.
class TIntegerT : public TValueT<int32_t> {};
// Byte counts and window handles given as 32-bit numbers.
class TCardinalT : public TValueT<uint32_t> {};

// A window handle carried as a 32-bit number, back at its full width: handles are sign-extended
// 32-bit values in a 64-bit process.
inline uintptr_t HandleFromCardinal(uint32_t value) noexcept {
    return static_cast<uintptr_t>(static_cast<intptr_t>(static_cast<int32_t>(value)));
}
// Object references; the objects themselves are not owned.
class TClassT : public TValueT<void*> {};
// Untyped pointers, for jobs whose parameter is ignored.
class TPointerT : public TValueT<void*> {};

// A growable array of values of one descriptor type, stored by value in consecutive slots.
// A copy or allocation that fails leaves the list exactly as it was: Add and SetItem then pass the
// copy's exception on (a failed growth drops the value silently instead).
class TList_t {
  public:
    explicit TList_t(TTypeClass Template);
    TList_t(const TList_t&) = delete;
    TList_t& operator=(const TList_t&) = delete;
    ~TList_t();

    void Add(const void* Value);
    // Copies element Index into Out (a block that holds no live value).
    bool Get(int32_t Index, void* Out) const;
    bool SetItem(int32_t Index, const void* Value);
    void Clear();
    int32_t Count() const noexcept { return count_; }
    int32_t Capacity() const noexcept { return capacity_; }
    TTypeClass Template() const noexcept { return template_; }
    // The raw slot, for inspecting storage beyond Count (zero-filled).
    const std::byte* Slot(int32_t Index) const noexcept { return storage_ + size_t(Index) * elementSize(); }

    // The assertion line of an index out of range, for callers that test the range themselves.
    static void ReportInvalidIndex(int32_t Index);

    // Typed access for descriptors built on TValueT.
    template <class T>
    std::optional<T> Value(int32_t Index) const {
        alignas(T) std::byte raw[sizeof(T)];
        if (!Get(Index, raw))
            return std::nullopt;
        T* v = std::launder(reinterpret_cast<T*>(raw));
        std::optional<T> out(std::move(*v));
        template_->Dispose(v);
        return out;
    }

  private:
    // Fresh zero-filled storage one growth step larger; null when there is no memory.
    std::byte* Grow(int32_t& newCapacity) const noexcept;
    // Moves the elements into fresh storage and frees the old one.
    void Adopt(std::byte* fresh, int32_t newCapacity) noexcept;
    bool CheckIndex(int32_t Index) const;
    size_t elementSize() const noexcept { return template_ ? template_->Size() : 0; }
    std::byte* slot(std::byte* storage, int32_t Index) const noexcept {
        return storage + size_t(Index) * elementSize();
    }

    TTypeClass template_;
    int32_t count_ = 0;
    int32_t capacity_ = 0;
    std::byte* storage_ = nullptr;
};

}  // namespace vantrel
