#include "jobs/types.h"

#include <cstring>
#include <memory>

#include "platform/trace_log.h"

namespace vantrel {

namespace {
constexpr const char* kUnit = "TTypes";
}

TList_t::TList_t(TTypeClass Template) : template_(Template) {
    if (!template_) {
        VANTREL_ASSERT_FAILED(L"Template = nil!", kUnit);
        // Using the list then does nothing: every element has size 0 and Get/SetItem range-check.
        template_ = classOf<TTypeT>();
    }
}

TList_t::~TList_t() {
    Clear();
}

std::byte* TList_t::Grow(int32_t& newCapacity) const noexcept {
    newCapacity = capacity_ + capacity_ / 4 + 1;
    size_t bytes = size_t(newCapacity) * elementSize();
    return new (std::nothrow) std::byte[bytes ? bytes : 1]();
}

void TList_t::Adopt(std::byte* fresh, int32_t newCapacity) noexcept {
    for (int32_t i = 0; i < count_; ++i)
        template_->Move(slot(storage_, i), slot(fresh, i));
    delete[] storage_;
    storage_ = fresh;
    capacity_ = newCapacity;
}

void TList_t::Add(const void* Value) {
    std::byte* fresh = nullptr;
    int32_t newCapacity = capacity_;
    if (count_ >= capacity_) {
        fresh = Grow(newCapacity);
        if (!fresh)
            return;
    }
    // The value is copied before the old elements move: it may be one of them.
    std::byte* target = slot(fresh ? fresh : storage_, count_);
    try {
        template_->Copy(Value, target);
    } catch (...) {
        if (fresh)
            delete[] fresh;
        else
            std::memset(target, 0, elementSize());  // slots beyond Count stay zero-filled
        throw;
    }
    if (fresh)
        Adopt(fresh, newCapacity);
    ++count_;
}

void TList_t::ReportInvalidIndex(int32_t Index) {
    VANTREL_ASSERT_FAILED_NUMBER(L"Invalid index value: ", Index, kUnit);
}

bool TList_t::CheckIndex(int32_t Index) const {
    if (Index < 0 || Index >= count_) {
        ReportInvalidIndex(Index);
        return false;
    }
    return true;
}

bool TList_t::Get(int32_t Index, void* Out) const {
    if (!CheckIndex(Index))
        return false;
    template_->Copy(slot(storage_, Index), Out);
    return true;
}

bool TList_t::SetItem(int32_t Index, const void* Value) {
    if (!CheckIndex(Index))
        return false;
    const size_t size = elementSize();
    // The new value is copied aside first (it may be this very element); only moves, which cannot
    // fail, change the slot, and the old value is released once the list holds the new one.
    std::unique_ptr<std::byte[]> aside(new std::byte[size ? 2 * size : 1]);
    std::byte* value = aside.get();
    std::byte* old = aside.get() + size;
    template_->Copy(Value, value);
    std::byte* target = slot(storage_, Index);
    template_->Move(target, old);
    template_->Move(value, target);
    template_->Dispose(old);
    return true;
}

void TList_t::Clear() {
    for (int32_t i = 0; i < count_; ++i)
        template_->Dispose(slot(storage_, i));
    delete[] storage_;
    storage_ = nullptr;
    count_ = 0;
    capacity_ = 0;
}

}  // namespace vantrel
