#include "jobs/types.h"

#include <cstring>
#include <string>

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

bool TList_t::Grow() {
    int32_t newCapacity = capacity_ + capacity_ / 4 + 1;
    size_t bytes = size_t(newCapacity) * elementSize();
    auto* fresh = new (std::nothrow) std::byte[bytes ? bytes : 1]();
    if (!fresh)
        return false;
    // Elements are moved by Copy/Dispose, not by bytes: a value may point into itself.
    for (int32_t i = 0; i < count_; ++i) {
        template_->Copy(storage_ + size_t(i) * elementSize(), fresh + size_t(i) * elementSize());
        template_->Dispose(storage_ + size_t(i) * elementSize());
    }
    delete[] storage_;
    storage_ = fresh;
    capacity_ = newCapacity;
    return true;
}

void TList_t::Add(const void* Value) {
    while (count_ >= capacity_) {
        if (!Grow())
            return;
    }
    template_->Copy(Value, storage_ + size_t(count_) * elementSize());
    ++count_;
}

bool TList_t::CheckIndex(int32_t Index) const {
    if (Index < 0 || Index >= count_) {
        VANTREL_ASSERT_FAILED(L"Invalid index value: " + std::to_wstring(Index), kUnit);
        return false;
    }
    return true;
}

bool TList_t::Get(int32_t Index, void* Out) const {
    if (!CheckIndex(Index))
        return false;
    template_->Copy(storage_ + size_t(Index) * elementSize(), Out);
    return true;
}

bool TList_t::SetItem(int32_t Index, const void* Value) {
    if (!CheckIndex(Index))
        return false;
    std::byte* slot = storage_ + size_t(Index) * elementSize();
    // The old element is released first so that an owning element does not leak; a value taken
    // from this very slot is copied aside before that.
    auto* temp = new std::byte[elementSize() ? elementSize() : 1];
    template_->Copy(Value, temp);
    template_->Dispose(slot);
    std::memset(slot, 0, elementSize());
    template_->Copy(temp, slot);
    template_->Dispose(temp);
    delete[] temp;
    return true;
}

void TList_t::Clear() {
    for (int32_t i = 0; i < count_; ++i)
        template_->Dispose(storage_ + size_t(i) * elementSize());
    delete[] storage_;
    storage_ = nullptr;
    count_ = 0;
    capacity_ = 0;
}

}  // namespace vantrel
