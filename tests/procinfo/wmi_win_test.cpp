#include <windows.h>

#include <oleauto.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <functional>

#include "procinfo/process_infos.h"
#include "procinfo/wmi_win.h"

namespace vantrel {
namespace {

std::wstring lower(std::wstring s) {
    for (auto& c : s)
        c = wchar_t(std::towlower(c));
    return s;
}

const WmiValue* find(const std::vector<WmiProperty>& properties, const wchar_t* name) {
    for (const auto& [n, v] : properties) {
        if (n == name)
            return &v;
    }
    return nullptr;
}

// The whole road of the snapshot, against a class that the service of the test system answers:
// the connection, the query, both enumerations stepped one object at a time, and the values.
TEST(WmiWinTest, TheServiceListsThisProcessWithItsValues) {
    auto services = systemWmiLocator().connectServer(kWmiNamespace);
    ASSERT_NE(services, nullptr);
    std::vector<std::vector<WmiProperty>> objects;
    const std::vector<std::wstring> selected{L"Name",        L"ProcessId",      L"Handle",
                                             L"ThreadCount", L"WorkingSetSize", L"NoSuchProperty"};
    services->execQuery(
        L"SELECT Name, ProcessId, Handle, ThreadCount, WorkingSetSize FROM Win32_Process", selected,
        [&objects](const std::vector<WmiProperty>& properties) { objects.push_back(properties); });
    EXPECT_GT(objects.size(), 3u);

    const std::vector<WmiProperty>* self = nullptr;
    for (const auto& object : objects) {
        const WmiValue* id = find(object, L"ProcessId");
        ASSERT_NE(id, nullptr);
        if (WmiInteger(*id) == int64_t(::GetCurrentProcessId()))
            self = &object;
    }
    ASSERT_NE(self, nullptr);
    ASSERT_NE(find(*self, L"Name"), nullptr);
    EXPECT_EQ(lower(WmiText(*find(*self, L"Name"))), L"test_procinfo.exe");
    // A 32-bit count arrives as a number; the handle, a text, reads as the id; a 64-bit count
    // arrives as decimal text.
    ASSERT_NE(find(*self, L"ThreadCount"), nullptr);
    EXPECT_TRUE(std::holds_alternative<int64_t>(*find(*self, L"ThreadCount")));
    EXPECT_GE(WmiInteger(*find(*self, L"ThreadCount")), 1);
    ASSERT_NE(find(*self, L"Handle"), nullptr);
    EXPECT_TRUE(std::holds_alternative<std::wstring>(*find(*self, L"Handle")));
    EXPECT_EQ(WmiInteger(*find(*self, L"Handle")), int64_t(::GetCurrentProcessId()));
    const WmiValue* workingSet = find(*self, L"WorkingSetSize");
    ASSERT_NE(workingSet, nullptr);
    EXPECT_TRUE(std::holds_alternative<std::wstring>(*workingSet));
    EXPECT_GE(WmiInteger(*workingSet), 0);
    EXPECT_EQ(WmiText(*workingSet), std::to_wstring(WmiInteger(*workingSet)));  // all of it a number
    // A property the class lacks is left out, not an error.
    EXPECT_EQ(find(*self, L"NoSuchProperty"), nullptr);

    // The objects were stepped through the system's own enumeration helper, loaded from the system
    // folder (Wine's is a stub answering E_NOTIMPL, after which the enumerator's own step serves).
    HMODULE activeds = ::GetModuleHandleW(L"activeds.dll");
    ASSERT_NE(activeds, nullptr);
    EXPECT_NE(::GetProcAddress(activeds, "ADsEnumerateNext"), nullptr);
    wchar_t path[MAX_PATH];
    wchar_t system[MAX_PATH];
    ::GetModuleFileNameW(activeds, path, MAX_PATH);
    ::GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(lower(path), lower(std::wstring(system) + L"\\activeds.dll"));
}

TEST(WmiWinTest, AQueryTheServiceCannotRunFailsWithItsCode) {
    auto services = systemWmiLocator().connectServer(kWmiNamespace);
    try {
        services->execQuery(L"SELECT FROM WHERE", {}, [](const std::vector<WmiProperty>&) {});
        ADD_FAILURE() << "no error";
    } catch (const WmiError& e) {
        EXPECT_LT(e.code(), 0);
    }
}

TEST(WmiWinTest, PropertyValuesConvertByTheirKind) {
    struct Case {
        const char* what;
        VARTYPE type;
        std::function<void(VARIANT&)> fill;
        WmiValue expected;
    };
    const Case cases[] = {
        {"empty", VT_EMPTY, [](VARIANT&) {}, std::monostate{}},
        {"null", VT_NULL, [](VARIANT&) {}, std::monostate{}},
        {"text", VT_BSTR, [](VARIANT& v) { V_BSTR(&v) = ::SysAllocString(L"4294967297"); },
         std::wstring(L"4294967297")},
        {"no text", VT_BSTR, [](VARIANT& v) { V_BSTR(&v) = nullptr; }, std::wstring()},
        {"Boolean", VT_BOOL, [](VARIANT& v) { V_BOOL(&v) = VARIANT_TRUE; }, true},
        {"double", VT_R8, [](VARIANT& v) { V_R8(&v) = 2.5; }, 2.5},
        {"float", VT_R4, [](VARIANT& v) { V_R4(&v) = 0.5f; }, 0.5},
        {"32-bit", VT_I4, [](VARIANT& v) { V_I4(&v) = -7; }, int64_t(-7)},
        {"unsigned 32-bit", VT_UI4, [](VARIANT& v) { V_UI4(&v) = 0xFFFFFFFFu; }, int64_t(0xFFFFFFFF)},
        {"16-bit", VT_I2, [](VARIANT& v) { V_I2(&v) = 300; }, int64_t(300)},
        {"unsigned 8-bit", VT_UI1, [](VARIANT& v) { V_UI1(&v) = 200; }, int64_t(200)},
        {"64-bit", VT_I8, [](VARIANT& v) { V_I8(&v) = int64_t(1) << 40; }, int64_t(1) << 40},
        {"unsigned 64-bit", VT_UI8, [](VARIANT& v) { V_UI8(&v) = 5368709120ull; }, int64_t(5368709120)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VARIANT v;
        ::VariantInit(&v);
        V_VT(&v) = c.type;
        c.fill(v);
        EXPECT_EQ(WmiValueOf(&v), c.expected);
        ::VariantClear(&v);
    }
}

}  // namespace
}  // namespace vantrel
