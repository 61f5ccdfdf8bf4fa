#include "jobs/types.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "support/trace_capture.h"

namespace vantrel {
namespace {

using test::TraceCapture;

// A record that owns strings, as the process rows do.
struct OwningRecord {
    std::wstring a, b, c;
    int32_t n = 0;
};
class OwningRecordT : public TValueT<OwningRecord> {};

// Counts live values, to show which elements a Clear releases.
struct Counted {
    static inline int live = 0;
    Counted() { ++live; }
    Counted(const Counted&) noexcept { ++live; }
    ~Counted() { --live; }
};
class CountedT : public TValueT<Counted> {};

TEST(TypesTest, DescriptorSizes) {
    EXPECT_EQ(classOf<TTypeT>()->Size(), 0u);
    EXPECT_EQ(classOf<TIntegerT>()->Size(), 4u);
    EXPECT_EQ(classOf<TCardinalT>()->Size(), 4u);
    EXPECT_EQ(classOf<TClassT>()->Size(), sizeof(void*));
    EXPECT_EQ(classOf<TPointerT>()->Size(), sizeof(void*));
}

TEST(TypesTest, WindowHandlesComeBackFromTheir32BitFormSignExtended) {
    EXPECT_EQ(HandleFromCardinal(0x00010010u), uintptr_t(0x00010010u));
    EXPECT_EQ(HandleFromCardinal(0xFFFF1234u), uintptr_t(intptr_t(-0xEDCC)));
}

TEST(ListTest, GrowsByAQuarterPlusOneAndZeroFillsNewSlots) {
    TList_t list(classOf<TCardinalT>());
    std::vector<int32_t> capacities{list.Capacity()};
    for (uint32_t v = 1; v <= 5; ++v) {
        list.Add(&v);
        capacities.push_back(list.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<int32_t>{0, 1, 2, 3, 4, 6}));
    EXPECT_EQ(list.Count(), 5);
    uint32_t sixth = 0xFFFFFFFF;
    std::memcpy(&sixth, list.Slot(5), sizeof(sixth));
    EXPECT_EQ(sixth, 0u);
    for (int32_t i = 0; i < 5; ++i)
        EXPECT_EQ(list.Value<uint32_t>(i), uint32_t(i + 1));
    for (uint32_t v = 6; v <= 14; ++v)
        list.Add(&v);
    EXPECT_EQ(list.Capacity(), 14);  // 6, 8, 11, 14
}

TEST(ListTest, OutOfRangeAccessLogsTheIndexAndChangesNothing) {
    TList_t list(classOf<TIntegerT>());
    for (int32_t v : {10, 20, 30})
        list.Add(&v);
    struct Case {
        int32_t index;
        const wchar_t* message;
    };
    for (Case c : {Case{-1, L"Invalid index value: -1"}, Case{3, L"Invalid index value: 3"}}) {
        TraceCapture trace;
        int32_t out = 77;
        EXPECT_FALSE(list.Get(c.index, &out));
        EXPECT_EQ(out, 77);
        int32_t v = 5;
        EXPECT_FALSE(list.SetItem(c.index, &v));
        EXPECT_EQ(trace.messages(), (std::vector<std::wstring>{c.message, c.message}));
        EXPECT_EQ(trace.units().front(), "TTypes");
    }
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Value<int32_t>(2), 30);
}

TEST(ListTest, MissingTemplateIsReportedAndTheListStaysHarmless) {
    TraceCapture trace;
    TList_t list(nullptr);
    EXPECT_EQ(trace.messages(), std::vector<std::wstring>{L"Template = nil!"});
    int32_t v = 1;
    list.Add(&v);
    EXPECT_FALSE(list.Get(5, &v));
}

TEST(ListTest, OwningElementsSurviveGrowthAndTheirSourcesChanging) {
    TList_t list(classOf<OwningRecordT>());
    for (int i = 0; i < 20; ++i) {
        // Long enough to live on the heap, short enough for the small-string buffer, alternately:
        // both must survive the moves of growth.
        OwningRecord r{std::wstring(i % 2 ? 40 : 3, wchar_t(L'a' + i)), L"path", L"name", i};
        list.Add(&r);
        r.a = L"changed after Add";
    }
    for (int i = 0; i < 20; ++i) {
        auto r = list.Value<OwningRecord>(i);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->a, std::wstring(i % 2 ? 40 : 3, wchar_t(L'a' + i)));
        EXPECT_EQ(r->n, i);
    }
    OwningRecord replacement{L"new", L"", L"", -1};
    EXPECT_TRUE(list.SetItem(4, &replacement));
    EXPECT_EQ(list.Value<OwningRecord>(4)->a, L"new");
}

TEST(ListTest, ClearReleasesOwnedValuesButNotReferencedObjects) {
    {
        TList_t list(classOf<CountedT>());
        Counted c;
        for (int i = 0; i < 5; ++i)
            list.Add(&c);
        EXPECT_EQ(Counted::live, 6);
        list.Clear();
        EXPECT_EQ(Counted::live, 1);
        EXPECT_EQ(list.Count(), 0);
        EXPECT_EQ(list.Capacity(), 0);
    }
    auto object = std::make_unique<Counted>();
    {
        TList_t refs(classOf<TClassT>());
        void* p = object.get();
        refs.Add(&p);
        refs.Clear();
    }
    EXPECT_EQ(Counted::live, 1);  // the referenced object is alive
}

// Values that own heap memory (so that a leak or a double release shows under the sanitizers) and
// count themselves, with a descriptor whose Copy fails on its n-th call once armed.
struct Fragile {
    static inline int live = 0;
    std::wstring text;
    explicit Fragile(int n) : text(std::wstring(30, wchar_t(L'a' + n % 26))) { ++live; }
    Fragile(const Fragile& o) : text(o.text) { ++live; }
    Fragile(Fragile&& o) noexcept : text(std::move(o.text)) { ++live; }
    ~Fragile() { --live; }
};
struct FragileT : public TValueT<Fragile> {
    static inline int failOnCall = 0;  // 0: never
    static inline int calls = 0;
    void Copy(const void* source, void* destination) const override {
        if (failOnCall && ++calls == failOnCall)
            throw std::bad_alloc();
        TValueT<Fragile>::Copy(source, destination);
    }
};
void armFragile(int n) {
    FragileT::calls = 0;
    FragileT::failOnCall = n;
}

std::vector<std::wstring> texts(const TList_t& list) {
    std::vector<std::wstring> out;
    for (int32_t i = 0; i < list.Count(); ++i)
        out.push_back(std::launder(reinterpret_cast<const Fragile*>(list.Slot(i)))->text);
    return out;
}

TEST(ListTest, AFailedCopyWhileAddingLeavesTheListAsItWasAtEveryStageOfGrowth) {
    // The n-th Add fails: at capacities 0, 1, 2, 3, 4 (full) and 6 (with room) and beyond.
    for (int n = 1; n <= 9; ++n) {
        armFragile(0);
        const int liveBefore = Fragile::live;
        {
            TList_t list(classOf<FragileT>());
            armFragile(n);
            int added = 0;
            int32_t capacityBefore = 0;
            std::vector<std::wstring> before;
            try {
                for (int i = 0; i < 20; ++i) {
                    capacityBefore = list.Capacity();
                    before = texts(list);
                    Fragile value(i);
                    list.Add(&value);
                    ++added;
                }
            } catch (const std::bad_alloc&) {
            }
            armFragile(0);
            ASSERT_EQ(added, n - 1);
            EXPECT_EQ(list.Count(), n - 1) << n;
            EXPECT_EQ(list.Capacity(), capacityBefore) << n;
            EXPECT_EQ(texts(list), before) << n;
            EXPECT_EQ(Fragile::live - liveBefore, n - 1) << n;
            // The slot the failed value was meant for still reads as zero, and the list goes on.
            std::byte zero[sizeof(Fragile)] = {};
            if (list.Count() < list.Capacity()) {
                EXPECT_EQ(std::memcmp(list.Slot(list.Count()), zero, sizeof(Fragile)), 0) << n;
            }
            Fragile next(99);
            list.Add(&next);
            EXPECT_EQ(list.Count(), n);
        }
        EXPECT_EQ(Fragile::live, liveBefore) << n;
    }
}

TEST(ListTest, AFailedCopyInSetItemLeavesTheElementAndReleasesNothingTwice) {
    armFragile(0);
    const int liveBefore = Fragile::live;
    {
        TList_t list(classOf<FragileT>());
        for (int i = 0; i < 5; ++i) {
            Fragile v(i);
            list.Add(&v);
        }
        const auto before = texts(list);
        Fragile outside(20);
        // From outside the list, and from one of its own elements (the same one, and another).
        const void* sources[] = {&outside, list.Slot(2), list.Slot(4)};
        for (const void* source : sources) {
            armFragile(1);
            EXPECT_THROW(list.SetItem(2, source), std::bad_alloc);
            armFragile(0);
            EXPECT_EQ(texts(list), before);
            EXPECT_EQ(Fragile::live - liveBefore, 6);
        }
        // Without the failure an element may be set from another element of the same list.
        EXPECT_TRUE(list.SetItem(1, list.Slot(4)));
        EXPECT_EQ(texts(list)[1], before[4]);
        EXPECT_TRUE(list.SetItem(3, list.Slot(3)));
        EXPECT_EQ(texts(list)[3], before[3]);
        EXPECT_EQ(Fragile::live - liveBefore, 6);
    }
    EXPECT_EQ(Fragile::live, liveBefore);
}

}  // namespace
}  // namespace vantrel
