#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "engine/ram_recovery.h"
#include "platform/sync.h"
#include "platform/system.h"

namespace vantrel {
namespace {

bool putClipboardText(const std::wstring& text) {
    if (!::OpenClipboard(nullptr))
        return false;
    ::EmptyClipboard();
    HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    std::memcpy(::GlobalLock(mem), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    ::GlobalUnlock(mem);
    bool ok = ::SetClipboardData(CF_UNICODETEXT, mem) != nullptr;
    ::CloseClipboard();
    return ok;
}

bool clipboardHasText() {
    return ::IsClipboardFormatAvailable(CF_UNICODETEXT) != 0;
}

struct RealRun {
    std::vector<uint32_t> reports;
    void recover(int64_t amount, bool clearClipboard) {
        TRamRecoveryParam p;
        p.Amount = amount;
        p.Notify.ThreadIndex = 1;
        p.ClearClipboard = clearClipboard;
        RamRecoveryEnv env{[] { return createPrivateHeap(); },
                           processHeap(),
                           systemClipboard(),
                           [] { return pageSize(); },
                           [] { return tickCount(); },
                           [this](const TRoutine&, uint32_t v) { reports.push_back(v); },
                           [] { return false; }};
        RecoverRamRun(p, env);
    }
};

TEST(RamRecoveryWinTest, EmptiesTheClipboardWhenAskedEvenWithNothingToClaim) {
    ASSERT_TRUE(putClipboardText(L"some text"));
    ASSERT_TRUE(clipboardHasText());
    RealRun run;
    run.recover(0, false);
    EXPECT_TRUE(clipboardHasText());
    run.recover(0, true);
    EXPECT_FALSE(clipboardHasText());
    EXPECT_TRUE(run.reports.empty());
}

TEST(RamRecoveryWinTest, AClipboardHeldOpenElsewhereKeepsItsContents) {
    ASSERT_TRUE(putClipboardText(L"kept"));
    Event opened(true, false), release(true, false);
    std::thread holder([&] {
        // Held by a window of its own, as another program would hold it.
        HWND owner =
            ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ::OpenClipboard(owner);
        opened.set();
        release.wait(10000);
        ::CloseClipboard();
        ::DestroyWindow(owner);
    });
    opened.wait();
    RealRun run;
    run.recover(int64_t(1) << 20, true);
    release.set();
    holder.join();
    EXPECT_TRUE(clipboardHasText());
    EXPECT_EQ(run.reports.back(), 1u << 20);
}

TEST(RamRecoveryWinTest, ClaimsRealMemoryInPageSizedBlocks) {
    RealRun run;
    const int64_t amount = int64_t(256) << 20;
    run.recover(amount, false);
    EXPECT_EQ(run.reports.front(), 0u);
    EXPECT_EQ(run.reports.back(), uint32_t(amount));
    // Everything went back: the same amount can be had again at once.
    void* again = processHeap().allocZeroed(size_t(amount));
    EXPECT_NE(again, nullptr);
    processHeap().release(again);
}

// A 32-bit process cannot hold 3 GiB: the run ends when the address space is exhausted, still
// makes its final report, and afterwards the whole address space is there again: one large block
// and a large bitmap, each needing a long stretch of free addresses, can be had at once.
TEST(RamRecoveryWinTest, MoreThanTheAddressSpaceEndsAtItsLimitAndGivesItAllBack) {
    if (sizeof(void*) != 4)
        GTEST_SKIP() << "only a 32-bit process runs out of address space before 3 GiB";
    RealRun run;
    const int64_t amount = int64_t(3) << 30;
    run.recover(amount, false);
    ASSERT_GE(run.reports.size(), 2u);
    EXPECT_EQ(run.reports.front(), 0u);
    EXPECT_EQ(run.reports.back(), uint32_t(amount));

    void* block = processHeap().allocZeroed(size_t(512) << 20);
    ASSERT_NE(block, nullptr);
    static_cast<volatile char*>(block)[(size_t(512) << 20) - 1] = 1;
    processHeap().release(block);

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = 4096;
    info.bmiHeader.biHeight = -4096;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_NE(bits, nullptr);
    static_cast<volatile uint32_t*>(bits)[4096 * 4096 - 1] = 0xFFFFFFFF;
    ::DeleteObject(bitmap);
}

}  // namespace
}  // namespace vantrel
