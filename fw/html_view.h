// Win32 only. The window layer's HTML view: a child window that hosts the system web browser
// control as an in-place OLE object, and hands the browser's before-navigation event
// to a virtual handler. It knows nothing of the program that uses it.
//
// The view needs OLE on its thread. It initialises it itself, once per thread, the
// first time a view or CanRenderHtml needs it, and undoes that when the thread ends;
// a program that initialises OLE itself, in the single-threaded apartment, loses
// nothing by it. A thread in the multithreaded apartment cannot host the control:
// Create then fails.
#pragma once

#include <windows.h>

#include <exdisp.h>
#include <ole2.h>

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace fw {

// Sole ownership of one reference to a COM interface: released exactly once, on every
// path out of the scope that holds it. Not copyable, so no reference is released twice.
template <class Interface>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller already holds.
    explicit ComPtr(Interface* object) : m_pObject(object) {}
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : m_pObject(std::exchange(other.m_pObject, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.m_pObject, nullptr));
        return *this;
    }

    Interface* Get() const { return m_pObject; }
    Interface* operator->() const { return m_pObject; }
    explicit operator bool() const { return m_pObject != nullptr; }
    void Reset(Interface* object = nullptr)
    {
        Interface* old = std::exchange(m_pObject, object);
        if (old)
            old->Release();
    }
    // For calls that return a reference through a void**: releases what is held first.
    void** OutVoid()
    {
        Reset();
        return reinterpret_cast<void**>(&m_pObject);
    }
    Interface** Out()
    {
        Reset();
        return &m_pObject;
    }

private:
    Interface* m_pObject = nullptr;
};

class HtmlView {
public:
    HtmlView();
    // A window still there is unbound first, so PostNcDestroy does not run for it, and
    // then destroyed with the browser in it.
    virtual ~HtmlView();
    HtmlView(const HtmlView&) = delete;
    HtmlView& operator=(const HtmlView&) = delete;

    // Creates the view's window and the browser control in it. className: null for
    // the view's own window class, or a class name the view registers for its own
    // windows (refused when a class of that name with another procedure exists).
    // windowName may be null. rect is in the parent's client coordinates; id is the
    // child window id. Returns false when the window or the browser could not be made;
    // then nothing is left (no window, no browser), PostNcDestroy has not run and the
    // caller still owns the object.
    bool Create(const char* className, const char* windowName, DWORD style, const RECT& rect, HWND parent,
                UINT id);

    // IWebBrowser2::Navigate with the address and the optional target frame, extra
    // headers and post data (all multibyte text in the ANSI code page; null for none).
    // Returns the browser's result, or E_FAIL when there is no browser.
    HRESULT Navigate(const char* url, DWORD flags = 0, const char* targetFrame = nullptr,
                     const char* headers = nullptr, const void* postData = nullptr, DWORD postDataLength = 0);

    HWND Handle() const { return m_hWnd; }
    // The browser's automation interface while the control exists, else null. Borrowed.
    IWebBrowser2* GetBrowser() const { return m_pBrowserApp.Get(); }

    // Whether pages can be rendered on this thread: the system's HTML document object
    // can be made. The browser control can exist without it (Wine without its HTML
    // engine makes the control but shows nothing in it).
    static bool CanRenderHtml();

protected:
    // The browser is about to navigate to url. Set cancel to stop it. postData is empty
    // when nothing is posted. The base lets every navigation go ahead.
    virtual void OnBeforeNavigate2(const char* url, DWORD flags, const char* targetFrame,
                                   const std::vector<uint8_t>& postData, const char* headers, bool& cancel);

    // After the window's last message, with the object already unbound. A view owns
    // itself: the base deletes the object, so it must have been made with new. A view
    // that is a member of something else overrides this to do nothing.
    virtual void PostNcDestroy();

    // The whole message switch. An override handles its own messages and passes the
    // rest here. The base: WM_SIZE fits the browser to the window, WM_DESTROY closes
    // the browser, WM_MOUSEACTIVATE gives the page the keyboard when it is clicked.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The window's default processing.
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

    // Disconnects the events, deactivates and closes the browser and lets go of every
    // interface of it. Safe to repeat; the window stays.
    void ReleaseBrowser();

    HWND m_hWnd = nullptr;
    ComPtr<IWebBrowser2> m_pBrowserApp;

private:
    class Site;

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool CreateBrowser();
    // The event sink's share: unpacks DWebBrowserEvents2::BeforeNavigate2.
    void FireBeforeNavigate2(const DISPPARAMS& params);

    ComPtr<IOleObject> m_pOleObject;
    ComPtr<IOleInPlaceObject> m_pInPlaceObject;
    ComPtr<IConnectionPoint> m_pEvents;
    DWORD m_dwEventCookie = 0;
    // The container the browser talks to: client site, in-place site and frame, and
    // the event sink. Defined with the view's code.
    ComPtr<Site> m_pSite;
    // Set while Create runs: a window that dies inside Create is not the caller's to lose.
    bool m_bCreating = false;
};

}  // namespace fw
