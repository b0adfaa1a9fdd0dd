// Which standard icon a message box of this process shows. The platform's message box loads its
// icon with LoadIcon(NULL, IDI_...), a shared icon, so the same call here returns the same handle.
#pragma once

#include <windows.h>

namespace quorin_test {

enum class BoxIcon { None, Stop, Question, Exclamation, Information, Other };

inline BOOL CALLBACK FindIconStatic(HWND hwnd, LPARAM lp) {
    wchar_t cls[16] = {};
    ::GetClassNameW(hwnd, cls, 16);
    if (::lstrcmpiW(cls, L"Static") == 0 && (::GetWindowLongW(hwnd, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        *reinterpret_cast<HWND*>(lp) = hwnd;
        return FALSE;
    }
    return TRUE;
}

inline BoxIcon IconOfBox(HWND box) {
    HWND found = nullptr;
    ::EnumChildWindows(box, FindIconStatic, reinterpret_cast<LPARAM>(&found));
    if (found == nullptr || !::IsWindowVisible(found))
        return BoxIcon::None;
    const HICON shown = reinterpret_cast<HICON>(::SendMessageW(found, STM_GETICON, 0, 0));
    if (shown == nullptr)
        return BoxIcon::None;
    const struct {
        LPCWSTR id;
        BoxIcon icon;
    } kinds[] = {{IDI_HAND, BoxIcon::Stop},
                 {IDI_QUESTION, BoxIcon::Question},
                 {IDI_EXCLAMATION, BoxIcon::Exclamation},
                 {IDI_ASTERISK, BoxIcon::Information}};
    for (const auto& k : kinds)
        if (shown == ::LoadIconW(nullptr, k.id))
            return k.icon;
    return BoxIcon::Other;
}

} // namespace quorin_test
