#include "jobs/types.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

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
    Counted(const Counted&) { ++live; }
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

}  // namespace
}  // namespace vantrel
