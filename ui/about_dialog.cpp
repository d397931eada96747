// Win32 only: the About box.
#include "ui/about_dialog.h"

#include "fw/app.h"
#include "res/resource.h"
#include "fw/window_math.h"

#include <cstdint>
#include <iterator>
#include <utility>

AboutDialog::AboutDialog() : fw::Dialog(IDD_ABOUT) {}

AboutDialog::~AboutDialog() = default;

void AboutDialog::DoDataExchange(bool) {}

BOOL AboutDialog::OnInitDialog()
{
    fw::Dialog::OnInitDialog();
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        char className[16] = {};
        ::GetClassNameA(child, className, static_cast<int>(std::size(className)));
        if (::lstrcmpiA(className, "Static") == 0 && (::GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP) {
            m_hPictureControl = child;
            break;
        }
    }
    ShowPicture();
    return TRUE;
}

INT_PTR AboutDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY && m_bReplaced) {
        ::SendMessageA(m_hPictureControl, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_hControlPicture));
        m_bReplaced = false;
    }
    return fw::Dialog::HandleMessage(message, wParam, lParam);
}

void AboutDialog::OnDpiChanged(SIZE oldUnits, const RECT* suggested)
{
    fw::Dialog::OnDpiChanged(oldUnits, suggested);
    ShowPicture();
}

void AboutDialog::ShowPicture()
{
    fw::App* app = fw::App::Current();
    if (!m_hPictureControl || !app)
        return;
    const auto dpi = static_cast<int32_t>(Dpi());
    if (dpi == kDefaultDpi && !m_bReplaced && ::SendMessageA(m_hPictureControl, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0)
        return;
    HINSTANCE module = app->ResourceModuleFor(RT_BITMAP, MAKEINTRESOURCEA(IDB_ABOUT));
    fw::Bitmap picture(static_cast<HBITMAP>(::LoadImageA(module, MAKEINTRESOURCEA(IDB_ABOUT), IMAGE_BITMAP, 0, 0, 0)));
    BITMAP size{};
    if (!picture || ::GetObjectA(picture.Get(), sizeof size, &size) == 0)
        return;
    if (dpi != kDefaultDpi)
        picture.Reset(static_cast<HBITMAP>(::LoadImageA(module, MAKEINTRESOURCEA(IDB_ABOUT), IMAGE_BITMAP,
                                                        ForDpi(size.bmWidth, dpi), ForDpi(size.bmHeight, dpi), 0)));
    if (!picture)
        return;
    const auto shown = reinterpret_cast<HBITMAP>(
        ::SendMessageA(m_hPictureControl, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture.Get())));
    if (!m_bReplaced) {
        m_hControlPicture = shown;
        m_bReplaced = true;
    }
    // The control shows the new one now: the one it showed before, when ours, goes.
    m_picture = std::move(picture);
}
