#include "shell/app_instances.h"

#include <algorithm>

namespace vantrel {

InstanceNames MakeInstanceNames(const std::wstring& upperCasePath) {
    InstanceNames names;
    names.uniqueAppId = L"AppInst" + upperCasePath;
    std::replace(names.uniqueAppId.begin(), names.uniqueAppId.end(), L'\\', L'_');
    names.lock = names.uniqueAppId + L"_Otx";
    names.table = names.uniqueAppId + L"_All";
    return names;
}

namespace {
constexpr size_t kMaxCopiesAt = 0;
constexpr size_t kCountAt = 2;
constexpr size_t kSlotsAt = 4;

uint16_t get16(const unsigned char* p) {
    return uint16_t(p[0] | p[1] << 8);
}
void put16(unsigned char* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
uint32_t get32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void put32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}
}  // namespace

// The table while the lock is held; its Count is clamped to the slots there are.
class TAppInstances::Locked {
  public:
    explicit Locked(InstanceStore& store) : store_(store) {
        store_.lock();
        bytes_ = store_.table();
    }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
    ~Locked() { store_.unlock(); }

    uint16_t maxCopies() const { return get16(bytes_ + kMaxCopiesAt); }
    void setMaxCopies(uint16_t v) { put16(bytes_ + kMaxCopiesAt, v); }
    size_t count() const { return std::min<size_t>(get16(bytes_ + kCountAt), kInstanceSlots); }
    void setCount(size_t v) { put16(bytes_ + kCountAt, uint16_t(v)); }
    uint32_t slot(size_t i) const { return get32(bytes_ + kSlotsAt + 4 * i); }
    void setSlot(size_t i, uint32_t id) { put32(bytes_ + kSlotsAt + 4 * i, id); }

  private:
    InstanceStore& store_;
    unsigned char* bytes_;
};

TAppInstances::TAppInstances(std::unique_ptr<InstanceStore> store,
                             std::unique_ptr<CopyWindows> windows,
                             uint32_t processId)
    : store_(std::move(store)), windows_(std::move(windows)), processId_(processId) {}

TAppInstances::~TAppInstances() {
    try {
        UnregisterCopy();
    } catch (...) {
        // The lock could not be taken: the id stays until the table goes with the last copy.
    }
}

bool TAppInstances::RegisterCopy(uint16_t limit) {
    Locked table(*store_);
    if (table.maxCopies() == 0)
        table.setMaxCopies(limit);
    const size_t count = table.count();
    const bool admitted = table.maxCopies() == 0 || count < table.maxCopies();
    if (count < kInstanceSlots) {
        table.setSlot(count, processId_);
        table.setCount(count + 1);
    }
    return admitted;
}

uint32_t TAppInstances::GetAllProcessIDs(int index) {
    Locked table(*store_);
    return index >= 0 && size_t(index) < table.count() ? table.slot(size_t(index)) : 0;
}

uint64_t TAppInstances::GetAllAppWnds(int index) {
    return windowOf(GetAllProcessIDs(index));
}

uint64_t TAppInstances::windowOf(uint32_t id) {
    if (id == 0)
        return 0;
    for (const auto& w : windows_->topLevelWindows()) {
        if (w.processId == id && w.className == kMainWindowClass)
            return w.window;
    }
    return 0;
}

void TAppInstances::ActivateCopy(int index) {
    const uint32_t id = GetAllProcessIDs(index);
    const uint64_t target = windowOf(id);
    if (!target)
        return;
    // The copy that asks has the user's attention; it passes the right to take the foreground on,
    // and the request always goes, so that a copy hidden in the tray shows itself too.
    windows_->allowForeground(id);
    if (!windows_->requestShow(target, processId_) && windows_->isIconic(target))
        windows_->restore(target);

    const uint64_t foreground = windows_->foregroundWindow();
    if (foreground == target)
        return;
    const uint32_t foregroundThread = windows_->windowThread(foreground);
    const uint32_t targetThread = windows_->windowThread(target);
    if (foregroundThread != targetThread) {
        windows_->attachInput(foregroundThread, targetThread, true);
        const bool done = windows_->setForeground(target);
        windows_->attachInput(foregroundThread, targetThread, false);
        if (!done)
            return;
    }
    windows_->setForeground(target);
}

void TAppInstances::UnregisterCopy() {
    Locked table(*store_);
    const size_t count = table.count();
    for (size_t i = 0; i < count; ++i) {
        if (table.slot(i) != processId_)
            continue;
        for (size_t j = i + 1; j < count; ++j)
            table.setSlot(j - 1, table.slot(j));
        table.setCount(count - 1);
        return;
    }
}

uint16_t TAppInstances::MaxCopies() {
    Locked table(*store_);
    return table.maxCopies();
}

int TAppInstances::Count() {
    Locked table(*store_);
    return int(table.count());
}

bool EnsureSingleCopy(TAppInstances& guard) {
    if (guard.RegisterCopy(1))
        return true;
    guard.ActivateCopy(0);
    return false;
}

}  // namespace vantrel
