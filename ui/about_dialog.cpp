// Win32 only: the About box.
#include "ui/about_dialog.h"

#include "fw/app.h"
#include "res/resource.h"

#include <iterator>

AboutDialog::AboutDialog() : fw::Dialog(IDD_ABOUT) {}

AboutDialog::~AboutDialog() = default;

void AboutDialog::DoDataExchange(bool) {}

BOOL AboutDialog::OnInitDialog()
{
    fw::Dialog::OnInitDialog();
    // The picture control loads its bitmap from the module the window's template came
    // from; a resource library with this window but not the picture leaves it empty.
    fw::App* app = fw::App::Current();
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child && app; child = ::GetWindow(child, GW_HWNDNEXT)) {
        char className[16] = {};
        ::GetClassNameA(child, className, static_cast<int>(std::size(className)));
        if (::lstrcmpiA(className, "Static") != 0 || (::GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_BITMAP ||
            ::SendMessageA(child, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0)
            continue;
        m_picture.Reset(static_cast<HBITMAP>(::LoadImageA(app->ResourceModuleFor(RT_BITMAP, MAKEINTRESOURCEA(IDB_ABOUT)),
                                                          MAKEINTRESOURCEA(IDB_ABOUT), IMAGE_BITMAP, 0, 0, 0)));
        ::SendMessageA(child, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_picture.Get()));
        break;
    }
    return TRUE;
}
