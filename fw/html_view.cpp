// Win32 only: the window layer's HTML view.
#include "fw/html_view.h"

#include <exdispid.h>
#include <oleauto.h>

#include <climits>
#include <cstring>
#include <new>
#include <string>
#include <utility>

namespace fw {

namespace {

constexpr const char kViewClass[] = "fwHtmlView";

// The system's HTML document object, which renders the pages the browser control
// loads; the browser control itself lives in another class and can exist without it.
constexpr CLSID kClsidHtmlDocument = {0x25336920, 0x03f9, 0x11cf, {0x8f, 0xd0, 0x00, 0xaa, 0x00, 0x68, 0x6f, 0x13}};

// BeforeNavigate2's seven arguments, which arrive last first.
constexpr UINT kBeforeNavigateArgs = 7;
constexpr UINT kArgUrl = 5;
constexpr UINT kArgFlags = 4;
constexpr UINT kArgTargetFrame = 3;
constexpr UINT kArgPostData = 2;
constexpr UINT kArgHeaders = 1;
constexpr UINT kArgCancel = 0;

// OLE on this thread, from the first view that needs it until the thread ends.
// Undoing it when the last view goes would unload the browser while it may still have
// work posted to its own hidden windows.
class OleThread {
public:
    OleThread() : m_hResult(::OleInitialize(nullptr)) {}
    ~OleThread()
    {
        if (SUCCEEDED(m_hResult))
            ::OleUninitialize();
    }
    OleThread(const OleThread&) = delete;
    OleThread& operator=(const OleThread&) = delete;
    bool Ready() const { return SUCCEEDED(m_hResult); }

private:
    HRESULT m_hResult;
};

bool EnsureOle()
{
    thread_local OleThread ole;
    return ole.Ready();
}

// One BSTR, freed when the owner ends. A null text gives a null BSTR, which COM reads
// as an empty string.
class Bstr {
public:
    explicit Bstr(const char* text)
    {
        if (!text)
            return;
        const int length = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
        if (length <= 0)
            return;
        // The count includes the NUL, which SysAllocStringLen adds itself.
        m_bstr = ::SysAllocStringLen(nullptr, static_cast<UINT>(length - 1));
        if (m_bstr)
            ::MultiByteToWideChar(CP_ACP, 0, text, -1, m_bstr, length);
    }
    ~Bstr() { ::SysFreeString(m_bstr); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR Get() const { return m_bstr; }
    // Hands the string to a new owner, a VARIANT say.
    BSTR Release() { return std::exchange(m_bstr, nullptr); }

private:
    BSTR m_bstr = nullptr;
};

// One VARIANT, cleared when the owner ends: whatever it holds is released with it.
class Variant {
public:
    Variant() { ::VariantInit(&m_var); }
    ~Variant() { ::VariantClear(&m_var); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT* Get() { return &m_var; }

private:
    VARIANT m_var;
};

// The multibyte form, in the ANSI code page, of length UTF-16 units of text.
std::string Narrow(const wchar_t* text, UINT length)
{
    if (!text || length == 0 || length > INT_MAX)
        return {};
    const int units = static_cast<int>(length);
    const int needed = ::WideCharToMultiByte(CP_ACP, 0, text, units, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return {};
    std::string out(static_cast<size_t>(needed), '\0');
    const int written = ::WideCharToMultiByte(CP_ACP, 0, text, units, out.data(), needed, nullptr, nullptr);
    out.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return out;
}

// The browser passes most arguments as references to variants, and post data as a
// reference to a reference. Follows them to the value; a few levels are plenty.
const VARIANT& Deref(const VARIANT& value)
{
    const VARIANT* v = &value;
    for (int level = 0; level < 4 && V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v); ++level)
        v = V_VARIANTREF(v);
    return *v;
}

std::string TextOf(const VARIANT& argument)
{
    Variant text;
    if (FAILED(::VariantChangeType(text.Get(), const_cast<VARIANT*>(&Deref(argument)), 0, VT_BSTR)))
        return {};
    const BSTR bstr = V_BSTR(text.Get());
    return Narrow(bstr, ::SysStringLen(bstr));
}

DWORD NumberOf(const VARIANT& argument)
{
    Variant number;
    if (FAILED(::VariantChangeType(number.Get(), const_cast<VARIANT*>(&Deref(argument)), 0, VT_I4)))
        return 0;
    return static_cast<DWORD>(V_I4(number.Get()));
}

std::vector<uint8_t> BytesOf(const VARIANT& argument)
{
    const VARIANT& value = Deref(argument);
    SAFEARRAY* array = nullptr;
    if (V_VT(&value) == (VT_ARRAY | VT_UI1))
        array = V_ARRAY(&value);
    else if (V_VT(&value) == (VT_BYREF | VT_ARRAY | VT_UI1) && V_ARRAYREF(&value))
        array = *V_ARRAYREF(&value);
    LONG lower = 0;
    LONG upper = -1;
    if (!array || ::SafeArrayGetDim(array) != 1 || FAILED(::SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(::SafeArrayGetUBound(array, 1, &upper)) || upper < lower)
        return {};
    void* data = nullptr;
    if (FAILED(::SafeArrayAccessData(array, &data)))
        return {};
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::vector<uint8_t> copy(bytes, bytes + (static_cast<size_t>(upper) - static_cast<size_t>(lower) + 1));
    ::SafeArrayUnaccessData(array);
    return copy;
}

HINSTANCE ThisModule()
{
    HMODULE module = nullptr;
    ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

}  // namespace

// The container the browser talks to. It is its client site, its in-place site and
// its frame, the dispatch interface it reads ambient properties from, and the sink of
// its events. The browser holds references to it that may outlast the view, so the
// view lets go with Detach, after which every call finds no one.
class HtmlView::Site final : public IOleClientSite,
                             public IOleInPlaceSite,
                             public IOleInPlaceFrame,
                             public IDispatch {
public:
    explicit Site(HtmlView* view) : m_pView(view) {}
    void Detach() { m_pView = nullptr; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IOleClientSite)
            *object = static_cast<IOleClientSite*>(this);
        else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
            *object = static_cast<IOleInPlaceSite*>(this);
        else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
            *object = static_cast<IOleInPlaceFrame*>(this);
        else if (iid == IID_IDispatch || iid == DIID_DWebBrowserEvents2)
            *object = static_cast<IDispatch*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_nRefs)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = ::InterlockedDecrement(&m_nRefs);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override
    {
        if (moniker)
            *moniker = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override
    {
        if (container)
            *container = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow, for the site and the frame alike: the view's window.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override
    {
        if (!window)
            return E_POINTER;
        *window = m_pView ? m_pView->m_hWnd : nullptr;
        return *window ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return m_pView ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                               LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override
    {
        if (frame)
            *frame = nullptr;
        if (document)
            *document = nullptr;
        if (!frame || !document || !position || !clip || !info || !m_pView || !m_pView->m_hWnd)
            return E_FAIL;
        ::GetClientRect(m_pView->m_hWnd, position);
        *clip = *position;
        // The frame is this object; the browser keeps the reference it is given here.
        AddRef();
        *frame = this;
        info->fMDIApp = FALSE;
        info->hwndFrame = ::GetAncestor(m_pView->m_hWnd, GA_ROOT);
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT position) override
    {
        if (position && m_pView && m_pView->m_pInPlaceObject)
            m_pView->m_pInPlaceObject->SetObjectRects(position, position);
        return S_OK;
    }

    // IOleInPlaceUIWindow and IOleInPlaceFrame: no tool space, menus or status line.
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDispatch: no type information; events by their dispatch ids.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        if (info)
            *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override
    {
        // Negative ids are ambient properties the browser asks its site for: we set
        // none, so it keeps its defaults.
        if (id < 0)
            return DISP_E_MEMBERNOTFOUND;
        if (id == DISPID_BEFORENAVIGATE2 && params && m_pView) {
            // The handler may end the view; the browser keeps this object alive.
            m_pView->FireBeforeNavigate2(*params);
        }
        return S_OK;
    }

private:
    ~Site() = default;

    LONG m_nRefs = 1;
    HtmlView* m_pView;
};

HtmlView::HtmlView() = default;

HtmlView::~HtmlView()
{
    HWND window = std::exchange(m_hWnd, nullptr);
    const bool alive = window && ::IsWindow(window);
    // The window's remaining messages must not reach a half-destroyed object.
    if (alive)
        ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    ReleaseBrowser();
    if (alive)
        ::DestroyWindow(window);
}

bool HtmlView::Create(const char* className, const char* windowName, DWORD style, const RECT& rect, HWND parent,
                      UINT id)
{
    if (m_hWnd || !EnsureOle())
        return false;
    HINSTANCE module = ThisModule();
    const char* windowClass = className ? className : kViewClass;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &HtmlView::WindowProc;
    wc.hInstance = module;
    wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = windowClass;
    if (!::RegisterClassExA(&wc)) {
        // Registered before: by us, or by someone whose windows we cannot drive.
        WNDCLASSEXA existing{};
        existing.cbSize = sizeof existing;
        if (!::GetClassInfoExA(module, windowClass, &existing) || existing.lpfnWndProc != &HtmlView::WindowProc)
            return false;
    }

    m_bCreating = true;
    HWND window = ::CreateWindowExA(0, windowClass, windowName, style, rect.left, rect.top, rect.right - rect.left,
                                    rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                    module, this);
    if (window && !CreateBrowser()) {
        // WM_DESTROY releases what was made of the browser; with m_bCreating set,
        // PostNcDestroy does not run and the caller keeps the object.
        ::DestroyWindow(window);
        window = nullptr;
    }
    m_bCreating = false;
    return window != nullptr;
}

bool HtmlView::CreateBrowser()
{
    ComPtr<IOleObject> object;
    if (FAILED(::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, object.OutVoid())))
        return false;
    m_pSite.Reset(new (std::nothrow) Site(this));
    if (!m_pSite)
        return false;
    m_pOleObject = std::move(object);
    // From here on ReleaseBrowser undoes whatever was done.
    IOleClientSite* site = m_pSite.Get();
    bool ok = SUCCEEDED(m_pOleObject->SetClientSite(site)) &&
              SUCCEEDED(m_pOleObject->QueryInterface(IID_IWebBrowser2, m_pBrowserApp.OutVoid()));
    if (ok) {
        // Without the events the view could not stop a navigation: no events, no view.
        ComPtr<IConnectionPointContainer> points;
        ok = SUCCEEDED(m_pOleObject->QueryInterface(IID_IConnectionPointContainer, points.OutVoid())) &&
             SUCCEEDED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, m_pEvents.Out())) &&
             SUCCEEDED(m_pEvents->Advise(static_cast<IDispatch*>(m_pSite.Get()), &m_dwEventCookie));
    }
    if (ok) {
        RECT client{};
        ::GetClientRect(m_hWnd, &client);
        ok = SUCCEEDED(m_pOleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site, 0, m_hWnd, &client));
    }
    if (ok) {
        // Only for resizing; a browser without it keeps its first size.
        m_pOleObject->QueryInterface(IID_IOleInPlaceObject, m_pInPlaceObject.OutVoid());
    } else {
        ReleaseBrowser();
    }
    return ok;
}

void HtmlView::ReleaseBrowser()
{
    if (m_pEvents) {
        if (m_dwEventCookie)
            m_pEvents->Unadvise(m_dwEventCookie);
        m_dwEventCookie = 0;
        m_pEvents.Reset();
    }
    if (m_pInPlaceObject) {
        m_pInPlaceObject->InPlaceDeactivate();
        m_pInPlaceObject.Reset();
    }
    m_pBrowserApp.Reset();
    if (m_pOleObject) {
        m_pOleObject->Close(OLECLOSE_NOSAVE);
        m_pOleObject->SetClientSite(nullptr);
        m_pOleObject.Reset();
    }
    if (m_pSite) {
        m_pSite->Detach();
        m_pSite.Reset();
    }
}

HRESULT HtmlView::Navigate(const char* url, DWORD flags, const char* targetFrame, const char* headers,
                           const void* postData, DWORD postDataLength)
{
    if (!m_pBrowserApp)
        return E_FAIL;
    if (!url)
        return E_INVALIDARG;
    Bstr address(url);
    if (!address.Get())
        return E_OUTOFMEMORY;

    Variant flagsArg;
    V_VT(flagsArg.Get()) = VT_I4;
    V_I4(flagsArg.Get()) = static_cast<LONG>(flags);
    Variant frameArg;
    if (targetFrame) {
        V_VT(frameArg.Get()) = VT_BSTR;
        V_BSTR(frameArg.Get()) = Bstr(targetFrame).Release();
    }
    Variant headersArg;
    if (headers) {
        V_VT(headersArg.Get()) = VT_BSTR;
        V_BSTR(headersArg.Get()) = Bstr(headers).Release();
    }
    Variant postArg;
    if (postData && postDataLength > 0) {
        SAFEARRAY* array = ::SafeArrayCreateVector(VT_UI1, 0, postDataLength);
        if (!array)
            return E_OUTOFMEMORY;
        // The variant owns the array from here.
        V_VT(postArg.Get()) = VT_ARRAY | VT_UI1;
        V_ARRAY(postArg.Get()) = array;
        void* data = nullptr;
        if (FAILED(::SafeArrayAccessData(array, &data)))
            return E_FAIL;
        std::memcpy(data, postData, postDataLength);
        ::SafeArrayUnaccessData(array);
    }
    return m_pBrowserApp->Navigate(address.Get(), flagsArg.Get(), frameArg.Get(), postArg.Get(), headersArg.Get());
}

bool HtmlView::CanRenderHtml()
{
    if (!EnsureOle())
        return false;
    ComPtr<IUnknown> document;
    return SUCCEEDED(
        ::CoCreateInstance(kClsidHtmlDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, document.OutVoid()));
}

void HtmlView::FireBeforeNavigate2(const DISPPARAMS& params)
{
    if (params.cArgs < kBeforeNavigateArgs || !params.rgvarg)
        return;
    const VARIANT* args = params.rgvarg;
    const std::string url = TextOf(args[kArgUrl]);
    const DWORD flags = NumberOf(args[kArgFlags]);
    const std::string targetFrame = TextOf(args[kArgTargetFrame]);
    const std::vector<uint8_t> postData = BytesOf(args[kArgPostData]);
    const std::string headers = TextOf(args[kArgHeaders]);
    VARIANT_BOOL* cancelOut =
        V_VT(&args[kArgCancel]) == (VT_BYREF | VT_BOOL) ? V_BOOLREF(&args[kArgCancel]) : nullptr;
    bool cancel = cancelOut && *cancelOut != VARIANT_FALSE;
    // The handler may end the view: nothing of it is touched afterwards.
    OnBeforeNavigate2(url.c_str(), flags, targetFrame.c_str(), postData, headers.c_str(), cancel);
    if (cancel && cancelOut)
        *cancelOut = VARIANT_TRUE;
}

void HtmlView::OnBeforeNavigate2(const char*, DWORD, const char*, const std::vector<uint8_t>&, const char*, bool&) {}

void HtmlView::PostNcDestroy() { delete this; }

LRESULT HtmlView::Default(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT HtmlView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        if (m_pInPlaceObject) {
            const RECT area{0, 0, LOWORD(lParam), HIWORD(lParam)};
            m_pInPlaceObject->SetObjectRects(&area, &area);
        }
        return 0;
    case WM_ERASEBKGND:
        // The browser covers the whole window; erasing first would only flicker.
        if (m_pOleObject)
            return 1;
        break;
    case WM_DESTROY:
        ReleaseBrowser();
        return 0;
    case WM_MOUSEACTIVATE: {
        // A click in the page gives the view the keyboard, and the view gives it to
        // the browser, unless the keyboard is inside already.
        const LRESULT answer = Default(message, wParam, lParam);
        const HWND focus = ::GetFocus();
        if ((answer == MA_ACTIVATE || answer == MA_ACTIVATEANDEAT) && focus != m_hWnd && !::IsChild(m_hWnd, focus))
            ::SetFocus(m_hWnd);
        return answer;
    }
    case WM_SETFOCUS:
        if (m_pOleObject && m_pSite) {
            RECT client{};
            ::GetClientRect(m_hWnd, &client);
            m_pOleObject->DoVerb(OLEIVERB_UIACTIVATE, nullptr, m_pSite.Get(), 0, m_hWnd, &client);
        }
        return 0;
    default:
        break;
    }
    return Default(message, wParam, lParam);
}

LRESULT CALLBACK HtmlView::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    HtmlView* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<HtmlView*>(reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams);
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        if (self)
            self->m_hWnd = window;
    } else {
        self = reinterpret_cast<HtmlView*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    }
    // A window of our class made without an object, or one whose object let go.
    if (!self)
        return ::DefWindowProcA(window, message, wParam, lParam);

    const LRESULT result = self->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->m_hWnd = nullptr;
        // Last: a view that owns itself is gone after this.
        if (!self->m_bCreating)
            self->PostNcDestroy();
    }
    return result;
}

}  // namespace fw
