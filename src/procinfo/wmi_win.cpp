#include <windows.h>

#include <algorithm>
#include <iterator>

#include <oleauto.h>
#include <wbemdisp.h>

#include "platform/handles_win.h"
#include "procinfo/wmi_win.h"

namespace vantrel {

namespace {

// The locator's class and interface; defined here so that no GUID library is needed.
constexpr CLSID kSWbemLocator = {0x76a64158,
                                 0xcb41,
                                 0x11d1,
                                 {0x8b, 0x02, 0x00, 0x60, 0x08, 0x06, 0xd9, 0xb6}};
constexpr IID kISWbemLocator = {0x76a6415b, 0xcb41, 0x11d1, {0x8b, 0x02, 0x00, 0x60, 0x08, 0x06, 0xd9, 0xb6}};
constexpr IID kISWbemObject = {0x76a6415a, 0xcb41, 0x11d1, {0x8b, 0x02, 0x00, 0x60, 0x08, 0x06, 0xd9, 0xb6}};
constexpr IID kISWbemProperty = {0x1a388f98,
                                 0xd4ba,
                                 0x11d1,
                                 {0x8b, 0x09, 0x00, 0x60, 0x08, 0x06, 0xd9, 0xb6}};
constexpr LONG kForwardOnly = 32;                   // wbemFlagForwardOnly
constexpr HRESULT kNotFound = HRESULT(0x80041002);  // WBEM_E_NOT_FOUND

void check(HRESULT hr, const char* step) {
    if (FAILED(hr))
        throw WmiError(step, long(hr));
}

// A BSTR for one call.
class Bstr {
  public:
    explicit Bstr(const wchar_t* text) : value_(::SysAllocString(text)) {
        if (!value_)
            throw WmiError("out of memory", long(E_OUTOFMEMORY));
    }
    Bstr() = default;
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { ::SysFreeString(value_); }
    BSTR get() const noexcept { return value_; }
    BSTR* put() noexcept {
        ::SysFreeString(value_);
        value_ = nullptr;
        return &value_;
    }

  private:
    BSTR value_ = nullptr;
};

class Variant {
  public:
    Variant() { ::VariantInit(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { ::VariantClear(&v_); }
    VARIANT* get() noexcept { return &v_; }

  private:
    VARIANT v_;
};

// Steps an object set's enumerator one element at a time: with ADsEnumerateNext where the system
// has it, otherwise with the enumerator's own Next, which is what that function calls. A system
// whose function is only a stub (it answers E_NOTIMPL, as Wine's does) gets Next as well.
HRESULT enumerateNext(IEnumVARIANT* enumerator, VARIANT* out, ULONG* fetched) {
    using Fn = HRESULT(WINAPI*)(IEnumVARIANT*, ULONG, VARIANT*, ULONG*);
    static const Fn adsEnumerateNext = [] {
        // From the system folder only: a bare name would search the program's folder first.
        wchar_t path[MAX_PATH];
        const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
        constexpr wchar_t kName[] = L"\\activeds.dll";
        if (length == 0 || length + std::size(kName) > MAX_PATH)
            return Fn(nullptr);
        std::copy(std::begin(kName), std::end(kName), path + length);
        HMODULE module = ::LoadLibraryW(path);  // kept loaded for the process's life
        return module ? reinterpret_cast<Fn>(
                            reinterpret_cast<void*>(::GetProcAddress(module, "ADsEnumerateNext")))
                      : nullptr;
    }();
    if (adsEnumerateNext) {
        HRESULT hr = adsEnumerateNext(enumerator, 1, out, fetched);
        if (hr != E_NOTIMPL)
            return hr;
    }
    return enumerator->Next(1, out, fetched);
}

ComPtr<IEnumVARIANT> enumeratorOf(IUnknown* unknown) {
    ComPtr<IEnumVARIANT> enumerator;
    check(unknown->QueryInterface(IID_IEnumVARIANT, enumerator.putVoid()), "enumerator");
    return enumerator;
}

// Calls each with every dispatch object the enumerator yields.
template <class Each>
void forEachObject(IEnumVARIANT* enumerator, Each&& each) {
    for (;;) {
        Variant item;
        ULONG fetched = 0;
        HRESULT hr = enumerateNext(enumerator, item.get(), &fetched);
        check(hr, "enumerate");
        if (hr != S_OK || fetched == 0)
            return;
        if (V_VT(item.get()) == VT_DISPATCH && V_DISPATCH(item.get()))
            each(V_DISPATCH(item.get()));
    }
}

}  // namespace

WmiValue WmiValueOf(VARIANT* v) {
    switch (V_VT(v)) {
        case VT_EMPTY:
        case VT_NULL:
            return std::monostate{};
        case VT_BSTR:
            return std::wstring(V_BSTR(v) ? V_BSTR(v) : L"", V_BSTR(v) ? ::SysStringLen(V_BSTR(v)) : 0);
        case VT_BOOL:
            return V_BOOL(v) != VARIANT_FALSE;
        case VT_R4:
            return double(V_R4(v));
        case VT_R8:
            return V_R8(v);
        case VT_UI8:
            return int64_t(V_UI8(v));
        default: {
            Variant asInt;
            if (SUCCEEDED(::VariantChangeType(asInt.get(), v, 0, VT_I8)))
                return int64_t(V_I8(asInt.get()));
            Variant asText;
            if (SUCCEEDED(::VariantChangeType(asText.get(), v, 0, VT_BSTR)))
                return WmiValueOf(asText.get());
            return std::monostate{};
        }
    }
}

namespace {

// COM for the calling thread, for as long as the connection lives.
class ComApartment {
  public:
    ComApartment() : initialized_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (initialized_)
            ::CoUninitialize();
    }

  private:
    bool initialized_;
};

class ScriptingServices final : public WmiServices {
  public:
    ScriptingServices(std::unique_ptr<ComApartment> apartment, ComPtr<ISWbemServices> services)
        : apartment_(std::move(apartment)), services_(std::move(services)) {}
    ~ScriptingServices() override { services_.reset(); }

    void execQuery(const std::wstring& query,
                   const std::vector<std::wstring>& selected,
                   const std::function<void(const std::vector<WmiProperty>&)>& each) override {
        Bstr text(query.c_str());
        Bstr language(L"WQL");
        ComPtr<ISWbemObjectSet> set;
        check(services_->ExecQuery(text.get(), language.get(), kForwardOnly, nullptr, set.put()),
              "ExecQuery");
        ComPtr<IUnknown> unknown;
        check(set->get__NewEnum(unknown.put()), "object enumerator");
        auto objects = enumeratorOf(unknown.get());
        forEachObject(objects.get(), [&each, &selected](IDispatch* dispatch) {
            ComPtr<ISWbemObject> object;
            check(dispatch->QueryInterface(kISWbemObject, object.putVoid()), "object");
            ComPtr<ISWbemPropertySet> propertySet;
            check(object->get_Properties_(propertySet.put()), "Properties_");
            ComPtr<IUnknown> propertiesUnknown;
            HRESULT hr = propertySet->get__NewEnum(propertiesUnknown.put());
            if (hr == E_NOTIMPL) {
                each(propertiesByName(propertySet.get(), selected));
                return;
            }
            check(hr, "property enumerator");
            each(enumeratedProperties(propertiesUnknown.get()));
        });
    }

  private:
    // Every property of an object, with the name it gives itself.
    static std::vector<WmiProperty> enumeratedProperties(IUnknown* propertiesUnknown) {
        auto properties = enumeratorOf(propertiesUnknown);
        std::vector<WmiProperty> values;
        forEachObject(properties.get(), [&values](IDispatch* propertyDispatch) {
            ComPtr<ISWbemProperty> property;
            check(propertyDispatch->QueryInterface(kISWbemProperty, property.putVoid()), "property");
            Bstr name;
            check(property->get_Name(name.put()), "Name");
            Variant value;
            check(property->get_Value(value.get()), "Value");
            values.emplace_back(std::wstring(name.get() ? name.get() : L""), WmiValueOf(value.get()));
        });
        return values;
    }

    // Where the property set cannot be enumerated (Wine's cannot), the selected properties are
    // asked for one by one; one the object does not have is left out, as an enumeration would.
    static std::vector<WmiProperty> propertiesByName(ISWbemPropertySet* propertySet,
                                                     const std::vector<std::wstring>& selected) {
        std::vector<WmiProperty> values;
        for (const std::wstring& name : selected) {
            Bstr text(name.c_str());
            ComPtr<ISWbemProperty> property;
            HRESULT hr = propertySet->Item(text.get(), 0, property.put());
            if (hr == kNotFound)
                continue;
            check(hr, "Item");
            Variant value;
            check(property->get_Value(value.get()), "Value");
            values.emplace_back(name, WmiValueOf(value.get()));
        }
        return values;
    }

    std::unique_ptr<ComApartment> apartment_;  // released after the services object
    ComPtr<ISWbemServices> services_;
};

class ScriptingLocator final : public WmiLocator {
  public:
    std::unique_ptr<WmiServices> connectServer(const std::wstring& nameSpace) override {
        auto apartment = std::make_unique<ComApartment>();
        ComPtr<ISWbemLocator> locator;
        check(::CoCreateInstance(kSWbemLocator, nullptr, CLSCTX_INPROC_SERVER, kISWbemLocator,
                                 locator.putVoid()),
              "locator");
        Bstr empty(L"");
        Bstr ns(nameSpace.c_str());
        ComPtr<ISWbemServices> services;
        check(locator->ConnectServer(empty.get(), ns.get(), empty.get(), empty.get(), empty.get(),
                                     empty.get(), 0, nullptr, services.put()),
              "ConnectServer");
        return std::make_unique<ScriptingServices>(std::move(apartment), std::move(services));
    }
};

}  // namespace

WmiLocator& systemWmiLocator() {
    static ScriptingLocator locator;
    return locator;
}

}  // namespace vantrel
