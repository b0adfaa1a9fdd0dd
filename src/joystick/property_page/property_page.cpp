// The control's one property page as the host's property frame sees it. It edits Interval,
// RepeatButton and RepeatCursor of the first selected object, reaching them by name through
// IDispatch so that any object with properties of those names can be edited (PageForm). Every
// step of filling and applying that fails is skipped on purpose and the next one runs; nothing
// is reported to the user.
#include "joystick/property_page/property_page.h"

#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <new>
#include <utility>

#include "joystick/forms.h"
#include "joystick/identifiers.h"
#include "joystick/module_state.h"
#include "joystick/property_page/page_form.h"
#include "joystick/type_library.h"
#include "win/com_object.h"

namespace joystick {
namespace {

using Microsoft::WRL::ComPtr;

constexpr char16_t PageTitle[] = u"ｼﾞｮｲｽﾃｨｯｸ";

wchar_t* CoTaskString(const wchar_t* s) {
    const size_t bytes = (::lstrlenW(s) + 1) * sizeof(wchar_t);
    auto* copy = static_cast<wchar_t*>(::CoTaskMemAlloc(bytes));
    if (copy)
        ::CopyMemory(copy, s, bytes);
    return copy;
}

// The selected objects, as the host handed them over.
class Selection {
public:
    Selection() = default;
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    ~Selection() { Clear(); }
    bool Assign(ULONG count, IUnknown** objects) {
        Clear();
        if (count == 0)
            return true;
        items_ = new (std::nothrow) IUnknown*[count];
        if (!items_)
            return false;
        count_ = count;
        for (ULONG i = 0; i < count; ++i) {
            items_[i] = objects[i];
            if (items_[i])
                items_[i]->AddRef();
        }
        return true;
    }
    void Swap(Selection& other) {
        std::swap(items_, other.items_);
        std::swap(count_, other.count_);
    }
    bool empty() const { return count_ == 0; }
    // The first selected object's IDispatch, or null.
    ComPtr<IDispatch> First() const {
        ComPtr<IDispatch> first;
        if (count_ > 0 && items_[0])
            items_[0]->QueryInterface(IID_PPV_ARGS(&first));
        return first;
    }

private:
    void Clear() {
        for (ULONG i = 0; i < count_; ++i)
            if (items_[i])
                items_[i]->Release();
        delete[] items_;
        items_ = nullptr;
        count_ = 0;
    }
    IUnknown** items_ = nullptr;
    ULONG count_ = 0;
};

class PropertyPage final : public IPropertyPage2, public IDispatch, private PageForm::Listener {
public:
    PropertyPage() noexcept : form_(*this) { ModuleAddRef(); }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IPropertyPage || riid == IID_IPropertyPage2)
            *ppv = static_cast<IPropertyPage2*>(this);
        else if (riid == IID_IDispatch || riid == IID__PropertyPageJoystick)
            *ppv = static_cast<IDispatch*>(this);
        else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return ::InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() noexcept override {
        const LONG n = ::InterlockedDecrement(&refs_);
        if (n == 0)
            delete this;
        return n;
    }

    // IPropertyPage
    STDMETHODIMP SetPageSite(IPropertyPageSite* site) noexcept override {
        site_ = site;
        return S_OK;
    }

    STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL) noexcept override {
        if (!rect)
            return E_POINTER;
        if (form_.Window())
            return E_UNEXPECTED;
        bool restored = false;
        const HRESULT hr = form_.Create(parent, *rect, restored);
        if (FAILED(hr))
            return hr;
        // Shown again, the page has its kept values back; only a first showing fills it from
        // the selection.
        if (!restored && !selection_.empty())
            form_.Fill(selection_.First().Get());
        return S_OK;
    }

    STDMETHODIMP Deactivate() noexcept override {
        form_.Destroy();
        return S_OK;
    }

    STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) noexcept override;

    STDMETHODIMP SetObjects(ULONG count, IUnknown** objects) noexcept override {
        if (count > 0 && !objects)
            return E_POINTER;
        Selection replacement;
        if (!replacement.Assign(count, objects))
            return E_OUTOFMEMORY;
        selection_.Swap(replacement);
        if (form_.HasValues() && !selection_.empty())
            form_.Fill(selection_.First().Get());
        return S_OK;
    }

    STDMETHODIMP Show(UINT command) noexcept override {
        if (!form_.Window())
            return E_UNEXPECTED;
        ::ShowWindow(form_.Window(), command);
        return S_OK;
    }

    STDMETHODIMP Move(LPCRECT rect) noexcept override {
        if (!rect)
            return E_POINTER;
        if (!form_.Window())
            return E_UNEXPECTED;
        ::MoveWindow(form_.Window(), rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
                     TRUE);
        return S_OK;
    }

    STDMETHODIMP IsPageDirty() noexcept override { return changed_ ? S_OK : S_FALSE; }

    // The host's OK or Apply. Only the first selected object is written. The changed mark is
    // the host's page state: once the values are handed over the page no longer counts as
    // changed.
    STDMETHODIMP Apply() noexcept override {
        form_.ApplyTo(selection_.First().Get());
        changed_ = false;
        return S_OK;
    }

    // A frame's Help button: the frame opens the help file and context of GetPageInfo.
    STDMETHODIMP Help(LPCOLESTR) noexcept override { return E_NOTIMPL; }

    STDMETHODIMP TranslateAccelerator(MSG* message) noexcept override {
        if (!message)
            return E_POINTER;
        if (!form_.Window())
            return S_FALSE;
        return ::IsDialogMessageW(form_.Window(), message) ? S_OK : S_FALSE;
    }

    // IPropertyPage2: the page has no property to focus.
    STDMETHODIMP EditProperty(DISPID) noexcept override { return S_OK; }

    // IDispatch (_PropertyPageJoystick has no members of its own)
    STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override {
        if (!count)
            return E_POINTER;
        ComPtr<ITypeInfo> info;
        *count = SUCCEEDED(LoadTypeInfo(TypeLibResourceControl, IID__PropertyPageJoystick, &info)) ? 1 : 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) noexcept override {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        if (index != 0)
            return DISP_E_BADINDEX;
        return LoadTypeInfo(TypeLibResourceControl, IID__PropertyPageJoystick, info);
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) noexcept override {
        if (count > 0 && !ids)
            return E_POINTER;
        for (UINT i = 0; i < count; ++i)
            ids[i] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) noexcept override {
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    ~PropertyPage() {
        form_.Destroy();
        ModuleRelease();
    }

    // A changed value marks the page, so that the host enables its Apply button.
    void OnPageChanged() noexcept override {
        changed_ = true;
        if (site_)
            site_->OnStatusChange(PROPPAGESTATUS_DIRTY);
    }

    LONG refs_ = 1;
    ComPtr<IPropertyPageSite> site_;
    Selection selection_;
    bool changed_ = false;
    PageForm form_; // last: its window goes before the selection and the site
};

STDMETHODIMP PropertyPage::GetPageInfo(PROPPAGEINFO* info) noexcept {
    if (!info)
        return E_POINTER;
    const quorin::win::ScreenDpi dpi = quorin::win::ReadScreenDpi();
    PROPPAGEINFO out = {};
    out.cb = sizeof(out);
    out.size.cx = quorin::win::TwipsToPixels(PageForm::WidthTwips, dpi.x);
    out.size.cy = quorin::win::TwipsToPixels(PageForm::HeightTwips, dpi.y);
    out.pszTitle = CoTaskString(quorin::win::Wide(PageTitle));
    try {
        out.pszHelpFile = CoTaskString(HelpFilePath().c_str());
    } catch (...) {
        out.pszHelpFile = nullptr;
    }
    out.dwHelpContext = PageForm::HelpContext;
    if (!out.pszTitle || !out.pszHelpFile) {
        ::CoTaskMemFree(out.pszTitle);
        ::CoTaskMemFree(out.pszHelpFile);
        return E_OUTOFMEMORY;
    }
    *info = out;
    return S_OK;
}

} // namespace

HRESULT CreatePropertyPage(REFIID riid, void** ppv) noexcept {
    return quorin::win::CreateAndQuery<PropertyPage>(riid, ppv);
}

} // namespace joystick
