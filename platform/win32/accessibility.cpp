#include "platform/win32/accessibility.h"

#include <atomic>
#include <utility>

#include <commctrl.h>
#include <oleacc.h>

namespace tintcast::platform::win32 {

namespace {

struct Identity {
    std::wstring name;
    int barSign = 0;
};

// Looked up at the first request, so that no program start pays for them.
struct Oleacc {
    decltype(&CreateStdAccessibleObject) createStandard = nullptr;
    decltype(&LresultFromObject) result = nullptr;
    decltype(&SysAllocString) allocString = nullptr;

    static const Oleacc& Get() {
        static const Oleacc loaded = [] {
            Oleacc functions;
            HMODULE oleacc = LoadLibraryW(L"oleacc.dll");
            HMODULE oleaut = LoadLibraryW(L"oleaut32.dll");
            if (oleacc != nullptr && oleaut != nullptr) {
                functions.createStandard = reinterpret_cast<decltype(createStandard)>(
                    reinterpret_cast<void*>(GetProcAddress(oleacc, "CreateStdAccessibleObject")));
                functions.result = reinterpret_cast<decltype(result)>(
                    reinterpret_cast<void*>(GetProcAddress(oleacc, "LresultFromObject")));
                functions.allocString = reinterpret_cast<decltype(allocString)>(
                    reinterpret_cast<void*>(GetProcAddress(oleaut, "SysAllocString")));
            }
            return functions;
        }();
        return loaded;
    }
    bool Usable() const { return createStandard && result && allocString; }
};

bool IsSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The system's object for the control, with the name and value replaced.
class NamedAccessible final : public IAccessible {
public:
    NamedAccessible(IAccessible* standard, HWND control, const Identity& identity)
        : standard_(standard), control_(control), identity_(identity) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (id == __uuidof(IUnknown) || id == __uuidof(IDispatch) || id == __uuidof(IAccessible)) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        return standard_->QueryInterface(id, object);  // IOleWindow, IEnumVARIANT
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            standard_->Release();
            delete this;
        }
        return left;
    }

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!IsSelf(child)) {
            return standard_->get_accName(child, name);
        }
        *name = Oleacc::Get().allocString(identity_.name.c_str());
        return *name != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        if (!IsSelf(child) || identity_.barSign == 0) {
            return standard_->get_accValue(child, value);
        }
        wchar_t shown[16];
        wsprintfW(shown, L"%d", identity_.barSign * GetScrollPos(control_, SB_CTL));
        *value = Oleacc::Get().allocString(shown);
        return *value != nullptr ? S_OK : E_OUTOFMEMORY;
    }

    // Everything else as the system's object answers it.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        return standard_->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        return standard_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID id, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        return standard_->GetIDsOfNames(id, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID id, LCID locale, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                     UINT* wrong) override {
        return standard_->Invoke(member, id, locale, flags, parameters, result, exception, wrong);
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return standard_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        return standard_->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        return standard_->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        return standard_->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        return standard_->get_accRole(child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return standard_->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* text) override {
        return standard_->get_accHelp(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
        return standard_->get_accKeyboardShortcut(child, keys);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
        return standard_->get_accFocus(child);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return standard_->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return standard_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        return standard_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override {
        return standard_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        return standard_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long left, long top, VARIANT* child) override {
        return standard_->accHitTest(left, top, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return standard_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return standard_->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return standard_->put_accValue(child, value);
    }

private:
    ~NamedAccessible() = default;

    IAccessible* standard_;
    HWND control_;
    Identity identity_;
    std::atomic<ULONG> references_{1};
};

LRESULT CALLBACK AccessibleProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR data) {
    auto* identity = reinterpret_cast<Identity*>(data);
    if (message == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT) {
        const Oleacc& oleacc = Oleacc::Get();
        IAccessible* standard = nullptr;
        if (oleacc.Usable() &&
            SUCCEEDED(oleacc.createStandard(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                            reinterpret_cast<void**>(&standard)))) {
            auto* named = new NamedAccessible(standard, hwnd, *identity);
            const LRESULT result = oleacc.result(__uuidof(IAccessible), wParam, named);
            named->Release();
            return result;
        }
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, AccessibleProc, 0);
        delete identity;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace

void MakeAccessible(HWND control, std::wstring name, int barSign) {
    auto* identity = new Identity{std::move(name), barSign};
    if (!SetWindowSubclass(control, AccessibleProc, 0, reinterpret_cast<DWORD_PTR>(identity))) {
        delete identity;
    }
}

}  // namespace tintcast::platform::win32
