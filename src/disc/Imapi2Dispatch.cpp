#include "disc/Imapi2Dispatch.h"

#include <atomic>

namespace disc::imapi2 {
namespace {

// The receiving end of an event dispinterface: IMAPI2 calls Invoke on it.
class EventSink final : public IDispatch {
public:
    EventSink(const IID& events, EventAdvice::Handler onEvent) : events_(events), onEvent_(std::move(onEvent)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == events_) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        std::vector<Variant> args;
        for (UINT i = params ? params->cArgs : 0; i > 0; --i) {
            Variant arg;
            VariantCopyInd(arg.get(), &params->rgvarg[i - 1]);
            args.push_back(arg);
        }
        if (onEvent_) onEvent_(id, args);
        return S_OK;
    }

private:
    IID events_;
    EventAdvice::Handler onEvent_;
    std::atomic<ULONG> refs_{1};
};

}  // namespace

HRESULT CreateByProgId(const wchar_t* progId, IDispatch** out) {
    CLSID clsid;
    const HRESULT hr = CLSIDFromProgID(progId, &clsid);
    if (FAILED(hr)) return hr;
    return CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(out));
}

Variant Variant::of(long value) {
    Variant v;
    v.v_.vt = VT_I4;
    v.v_.lVal = value;
    return v;
}

Variant Variant::of(bool value) {
    Variant v;
    v.v_.vt = VT_BOOL;
    v.v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

Variant Variant::of(const std::wstring& text) {
    Variant v;
    v.v_.vt = VT_BSTR;
    v.v_.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return v;
}

Variant Variant::of(IDispatch* object) {
    Variant v;
    v.v_.vt = VT_DISPATCH;
    v.v_.pdispVal = object;
    if (object) object->AddRef();
    return v;
}

Variant Variant::of(IUnknown* object) {
    Variant v;
    v.v_.vt = VT_UNKNOWN;
    v.v_.punkVal = object;
    if (object) object->AddRef();
    return v;
}

long Variant::toLong(long otherwise) const {
    VARIANT converted;
    VariantInit(&converted);
    if (FAILED(VariantChangeType(&converted, raw(), 0, VT_I4))) return otherwise;
    return converted.lVal;
}

std::wstring Variant::toText() const {
    VARIANT converted;
    VariantInit(&converted);
    if (FAILED(VariantChangeType(&converted, raw(), 0, VT_BSTR))) return {};
    std::wstring text(converted.bstrVal ? converted.bstrVal : L"", SysStringLen(converted.bstrVal));
    VariantClear(&converted);
    return text;
}

Object Variant::toObject() const {
    IDispatch* object = nullptr;
    if (v_.vt == VT_DISPATCH) return Object::share(v_.pdispVal);
    if (v_.vt == VT_UNKNOWN && v_.punkVal) v_.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&object));
    return Object(object);
}

Ref<IUnknown> Variant::toUnknown() const {
    if (v_.vt == VT_UNKNOWN) return Ref<IUnknown>::share(v_.punkVal);
    if (v_.vt == VT_DISPATCH) return Ref<IUnknown>::share(v_.pdispVal);
    return {};
}

std::vector<Variant> Variant::elements() const {
    std::vector<Variant> out;
    if (!(v_.vt & VT_ARRAY)) return out;
    SAFEARRAY* array = (v_.vt & VT_BYREF) ? *v_.pparray : v_.parray;
    LONG low = 0, high = -1;
    if (!array || SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetLBound(array, 1, &low)) ||
        FAILED(SafeArrayGetUBound(array, 1, &high))) {
        return out;
    }
    const VARTYPE type = static_cast<VARTYPE>(v_.vt & VT_TYPEMASK);
    for (LONG i = low; i <= high; ++i) {
        Variant element;
        if (type == VT_VARIANT) {
            SafeArrayGetElement(array, &i, element.get());
        } else if (type == VT_I4 || type == VT_UI4 || type == VT_INT || type == VT_UINT) {
            element.v_.vt = type;
            SafeArrayGetElement(array, &i, &element.v_.lVal);
        } else if (type == VT_BSTR) {
            element.v_.vt = VT_BSTR;
            SafeArrayGetElement(array, &i, &element.v_.bstrVal);  // hands out a copy
        }
        out.push_back(element);
    }
    return out;
}

HRESULT Invoke(IDispatch* object, const wchar_t* name, WORD kind, std::initializer_list<Variant> args,
               Variant* result) {
    if (!object) return E_POINTER;
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    // DISPPARAMS lists the arguments last first.
    std::vector<VARIANT> reversed;
    for (auto it = std::rbegin(args); it != std::rend(args); ++it) reversed.push_back(*it->get());
    DISPID putId = DISPID_PROPERTYPUT;
    const bool put = kind == DISPATCH_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), put ? &putId : nullptr, static_cast<UINT>(reversed.size()), put ? 1u : 0u};
    Variant ignored;
    EXCEPINFO exception{};
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, result ? result->get() : ignored.get(),
                        &exception, nullptr);
    if (hr == DISP_E_EXCEPTION) {
        // The object's own error code is what tells the reason.
        hr = exception.scode ? exception.scode : E_FAIL;
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
    }
    if (hr == DISP_E_MEMBERNOTFOUND && put && reversed.size() == 1 && reversed[0].vt == VT_DISPATCH) {
        hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUTREF, &params, ignored.get(),
                            nullptr, nullptr);
    }
    return hr;
}

long GetLong(IDispatch* o, const wchar_t* name, long otherwise) {
    Variant v;
    return SUCCEEDED(Get(o, name, &v)) ? v.toLong(otherwise) : otherwise;
}

std::wstring GetText(IDispatch* o, const wchar_t* name) {
    Variant v;
    return SUCCEEDED(Get(o, name, &v)) ? v.toText() : std::wstring();
}

EventAdvice::EventAdvice(IDispatch* source, const IID& events, Handler onEvent) {
    Ref<IConnectionPointContainer> container;
    if (!source || FAILED(source->QueryInterface(IID_IConnectionPointContainer,
                                                 reinterpret_cast<void**>(container.put()))) ||
        FAILED(container->FindConnectionPoint(events, point_.put()))) {
        point_ = {};
        return;
    }
    Ref<IDispatch> sink(new EventSink(events, std::move(onEvent)));
    if (FAILED(point_->Advise(sink.get(), &cookie_))) cookie_ = 0;
}

EventAdvice::~EventAdvice() {
    if (point_ && cookie_) point_->Unadvise(cookie_);
}

HRESULT OpenFileStream(const std::wstring& path, IStream** out) {
    // Taken from shlwapi at run time: the library is on every Windows, but the
    // program links only what it names.
    using Open = HRESULT(WINAPI*)(LPCWSTR, DWORD, DWORD, BOOL, IStream*, IStream**);
    static const Open open = [] {
        HMODULE shlwapi = LoadLibraryW(L"shlwapi.dll");
        FARPROC found = shlwapi ? GetProcAddress(shlwapi, "SHCreateStreamOnFileEx") : nullptr;
        return reinterpret_cast<Open>(reinterpret_cast<void*>(found));
    }();
    if (!open) return E_NOTIMPL;
    return open(path.c_str(), STGM_READ | STGM_SHARE_DENY_WRITE, FILE_ATTRIBUTE_NORMAL, FALSE, nullptr, out);
}

}  // namespace disc::imapi2
