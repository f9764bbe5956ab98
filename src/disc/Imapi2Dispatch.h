#pragma once
// Late binding to IMAPI2's automation objects: mingw-w64 has no imapi2.h, so
// every member is reached by name through IDispatch, the way scripts do.

#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace disc::imapi2 {

// Creates an automation object by ProgID; the engine's seam for tests.
using ObjectFactory = std::function<HRESULT(const wchar_t* progId, IDispatch** out)>;
HRESULT CreateByProgId(const wchar_t* progId, IDispatch** out);

// One owned reference.
template <class T>
class Ref {
public:
    Ref() = default;
    explicit Ref(T* adopted) : p_(adopted) {}
    Ref(const Ref& other) : p_(other.p_) { if (p_) p_->AddRef(); }
    Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    Ref& operator=(Ref other) noexcept { std::swap(p_, other.p_); return *this; }
    ~Ref() { if (p_) p_->Release(); }
    static Ref share(T* p) { if (p) p->AddRef(); return Ref(p); }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    T** put() { *this = Ref(); return &p_; }

private:
    T* p_ = nullptr;
};
using Object = Ref<IDispatch>;

// A VARIANT that owns what it holds.
class Variant {
public:
    Variant() { VariantInit(&v_); }
    Variant(const Variant& other) : Variant() { VariantCopy(&v_, other.raw()); }
    Variant& operator=(const Variant& other) {
        if (this != &other) VariantCopy(&v_, other.raw());
        return *this;
    }
    ~Variant() { VariantClear(&v_); }
    static Variant of(long value);
    static Variant of(bool value);
    static Variant of(const std::wstring& text);
    static Variant of(const wchar_t* text) { return of(std::wstring(text)); }  // not the bool one
    static Variant of(IDispatch* object);
    static Variant of(IUnknown* object);

    VARIANT* get() { return &v_; }
    const VARIANT* get() const { return &v_; }
    long toLong(long otherwise = 0) const;
    bool toBool() const { return toLong() != 0; }
    std::wstring toText() const;
    Object toObject() const;
    Ref<IUnknown> toUnknown() const;
    // The elements of a SAFEARRAY, whatever their element type.
    std::vector<Variant> elements() const;

private:
    // mingw-w64 declares the VARIANT functions without const.
    VARIANT* raw() const { return const_cast<VARIANT*>(&v_); }
    VARIANT v_;
};

// Calls a member by name; args go in their written order.
HRESULT Invoke(IDispatch* object, const wchar_t* name, WORD kind, std::initializer_list<Variant> args,
               Variant* result);
inline HRESULT Get(IDispatch* o, const wchar_t* name, Variant* out) {
    return Invoke(o, name, DISPATCH_PROPERTYGET, {}, out);
}
inline HRESULT Put(IDispatch* o, const wchar_t* name, const Variant& value) {
    return Invoke(o, name, DISPATCH_PROPERTYPUT, {value}, nullptr);
}
inline HRESULT Call(IDispatch* o, const wchar_t* name, std::initializer_list<Variant> args = {},
                    Variant* out = nullptr) {
    return Invoke(o, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, out);
}
long GetLong(IDispatch* o, const wchar_t* name, long otherwise = 0);
std::wstring GetText(IDispatch* o, const wchar_t* name);

// COM on this thread for the life of the object; a thread that has it
// already in another apartment keeps that one.
class ComScope {
public:
    ComScope() : hr_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComScope() { if (SUCCEEDED(hr_)) CoUninitialize(); }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT hr_;
};

// Events of one outgoing dispinterface of an object, while this lives:
// onEvent gets the DISPID and the arguments in their written order.
class EventAdvice {
public:
    using Handler = std::function<void(DISPID, const std::vector<Variant>&)>;
    EventAdvice(IDispatch* source, const IID& events, Handler onEvent);
    ~EventAdvice();
    EventAdvice(const EventAdvice&) = delete;
    EventAdvice& operator=(const EventAdvice&) = delete;
    bool connected() const { return cookie_ != 0; }

private:
    Ref<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};

// A file opened for reading as the IStream IMAPI2FS takes in.
HRESULT OpenFileStream(const std::wstring& path, IStream** out);

}  // namespace disc::imapi2
