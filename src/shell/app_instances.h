#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "shell/copy_protocol.h"

namespace vantrel {

// The single-instance guard. Copies of the program started from one executable path find each
// other through a small table in named shared memory, guarded by a named lock.
//
// Table layout (1,032 bytes, little-endian):
//   offset 0  uint16  MaxCopies   admission limit; 0 = not yet set
//   offset 2  uint16  Count       process ids in use
//   offset 4  uint32  x 257       process ids, slots 0 .. Count-1 in registration order
// The table is shared with any process that can open it, so Count is never trusted: slots beyond
// the 257th are never read or written.
inline constexpr size_t kInstanceTableSize = 1032;
inline constexpr size_t kInstanceSlots = 257;

// The names of the lock and the table, from the executable's full path upper-cased by the
// system's rules.
struct InstanceNames {
    std::wstring uniqueAppId;  // "AppInst" + the path with every "\" as "_"
    std::wstring lock;         // uniqueAppId + "_Otx"
    std::wstring table;        // uniqueAppId + "_All"
};
InstanceNames MakeInstanceNames(const std::wstring& upperCasePath);

// The 1,032 shared bytes, reached only while the lock is held.
class InstanceStore {
  public:
    virtual ~InstanceStore() = default;
    virtual void lock() = 0;
    virtual void unlock() noexcept = 0;
    virtual unsigned char* table() noexcept = 0;
};

// What bringing a copy to the front needs from the window system. A window is its handle's value;
// 0 is none.
class CopyWindows {
  public:
    struct TopWindow {
        uint64_t window = 0;
        uint32_t processId = 0;
        std::wstring className;  // read so that a longer name never equals a shorter one
    };
    virtual ~CopyWindows() = default;
    virtual std::vector<TopWindow> topLevelWindows() = 0;
    virtual void allowForeground(uint32_t processId) = 0;
    // Sends the activation request; true when the window answered kActivateCopyAnswer.
    virtual bool requestShow(uint64_t window, uint32_t senderProcessId) = 0;
    virtual bool isIconic(uint64_t window) = 0;
    // WM_SYSCOMMAND / SC_RESTORE, with the same timeout.
    virtual void restore(uint64_t window) = 0;
    virtual uint64_t foregroundWindow() = 0;
    virtual uint32_t windowThread(uint64_t window) = 0;
    virtual bool attachInput(uint32_t thread, uint32_t toThread, bool attach) = 0;
    virtual bool setForeground(uint64_t window) = 0;
};

// The guard of one process: registers it, brings other copies to the front, removes it again
// when destroyed.
class TAppInstances {
  public:
    TAppInstances(std::unique_ptr<InstanceStore> store,
                  std::unique_ptr<CopyWindows> windows,
                  uint32_t processId);
    TAppInstances(const TAppInstances&) = delete;
    TAppInstances& operator=(const TAppInstances&) = delete;
    // Removes this process's id, then lets the table and the lock go.
    ~TAppInstances();

    // Adds this process's id (admitted or not) and says whether it may run: the first caller on
    // a fresh table fixes the limit for all that follow.
    bool RegisterCopy(uint16_t limit);
    // Brings the application window of the copy at index to the front.
    void ActivateCopy(int index);
    // The id in slot index; 0 beyond Count.
    uint32_t GetAllProcessIDs(int index);
    // That copy's application window; 0 when it has none.
    uint64_t GetAllAppWnds(int index);
    void UnregisterCopy();

    uint16_t MaxCopies();
    // Copies in the table, as far as its slots go.
    int Count();

  private:
    class Locked;
    uint64_t windowOf(uint32_t processId);
    std::unique_ptr<InstanceStore> store_;
    std::unique_ptr<CopyWindows> windows_;
    uint32_t processId_;
};

// True when this copy may run; otherwise the oldest copy has been brought to the front and the
// caller ends the process with exit code 0 (the guard, destroyed on the way out, removes this
// copy's id again).
bool EnsureSingleCopy(TAppInstances& guard);

// The guard of this process for the executable at a path, over named shared memory and a named
// mutex that every account on the machine may open. Windows only; throws std::system_error when
// the security descriptor, the lock or the table cannot be made.
std::unique_ptr<TAppInstances> CreateAppInstances(const std::wstring& executablePath);

}  // namespace vantrel
