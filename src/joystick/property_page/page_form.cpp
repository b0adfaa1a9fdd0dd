#include "joystick/property_page/page_form.h"

#include <initializer_list>
#include <utility>

#include "joystick/forms.h"
#include "joystick/module_state.h"
#include "joystick/property_page/page_form_resources.h"
#include "win/dialog.h"
#include "win/dispatch.h"
#include "win/automation.h"

namespace joystick {

namespace {

using quorin::win::Bstr;
using quorin::win::ControlLayout;
using quorin::win::Variant;

enum ControlId : int {
    IdTitlePicture = 1000,
    IdTitle,
    IdIntervalFrame,
    IdFastOption,
    IdSmoothOption,
    IdOtherOption,
    IdEntryIcon,
    IdEntryLabel,
    IdIntervalBox,
    IdUnitLabel,
    IdRepeatButton,
    IdRepeatCursor,
};

// The interval options: a free entry, or one of two presets that fill and lock the box.
enum IntervalChoice : int { ChoiceOther, ChoiceFast, ChoiceSmooth };
constexpr int ChoiceIds[] = {IdOtherOption, IdFastOption, IdSmoothOption};

// Creation order is the tab order. The entry label directly precedes the interval box, so its
// access key moves the focus there; the entry icon carries WS_GROUP to end the options' group.
const ControlLayout Controls[] = {
    {IdTitlePicture, L"STATIC", u"", SS_BITMAP, 0, {150, 120, 720, 720}},
    {IdTitle, L"STATIC", u"ジョイスティックに関するプロパティを変更できます", SS_LEFT, 0, {1020, 390, 5100, 240}},
    {IdIntervalFrame, L"BUTTON", u"スキャン間隔(&S)", BS_GROUPBOX, 0, {120, 990, 6060, 1650}},
    {IdFastOption,
     L"BUTTON",
     u"ジョイスティックの動作と操作感をよくする(&R)",
     BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP,
     0,
     {300, 1260, 5700, 270}},
    {IdSmoothOption, L"BUTTON", u"タスク処理をスムーズにする(&T)", BS_AUTORADIOBUTTON, 0, {300, 1560, 5700, 270}},
    {IdOtherOption, L"BUTTON", u"その他(&O) ", BS_AUTORADIOBUTTON, 0, {300, 1860, 1800, 270}},
    {IdEntryIcon, L"STATIC", u"", SS_ICON | WS_GROUP, 0, {600, 2190, 240, 240}},
    {IdEntryLabel, L"STATIC", u"任意のスキャン間隔(&I)", SS_LEFT, 0, {930, 2220, 2250, 240}},
    {IdIntervalBox,
     L"EDIT",
     u"0",
     ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP,
     WS_EX_CLIENTEDGE,
     {3210, 2160, 1080, 330}},
    {IdUnitLabel, L"STATIC", u"ミリ秒", SS_LEFT, 0, {4380, 2220, 900, 240}},
    {IdRepeatButton,
     L"BUTTON",
     u"ボタンを連続してスキャンする(&B)",
     BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP,
     0,
     {120, 2760, 6060, 240}},
    {IdRepeatCursor,
     L"BUTTON",
     u"カーソルを連続してスキャンする(&C)",
     BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP,
     0,
     {120, 3030, 6060, 240}},
};

// Decoration drawn on the page itself, in twips: a panel frames the heading, a line separates
// the interval frame from the repeat switches.
constexpr RECT TitlePanelTwips = {60, 60, 6240, 900};
constexpr RECT SeparatorTwips = {120, 2685, 6180, 2685};

// A property is taken as a plain value only: converting an object asks its default member,
// which a hostile object answers with itself, without end.
bool IsPlainValue(VARIANT* value) {
    const VARTYPE type = value->vt;
    return (type & (VT_BYREF | VT_ARRAY)) == 0 && type != VT_DISPATCH && type != VT_UNKNOWN && type != VT_RECORD;
}

} // namespace

HRESULT PageForm::Create(HWND parent, const RECT& rect, bool& restored) {
    // A control-parent dialog, so that the access keys and tab order also work inside the
    // host's frame.
    HWND window = quorin::win::CreateEmptyDialog(ModuleInstance(), WS_CHILD | WS_CLIPSIBLINGS | DS_CONTROL,
                                                 WS_EX_CONTROLPARENT, parent, quorin::win::FormDialogProc<PageForm>,
                                                 reinterpret_cast<LPARAM>(this));
    if (!window)
        return HRESULT_FROM_WIN32(::GetLastError());
    window_.reset(window);
    ::SetWindowPos(window, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    restored = hasKept_;
    hasKept_ = false;
    return S_OK;
}

INT_PTR PageForm::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(window);
        return FALSE; // the host decides where the focus goes
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_PAINT:
        OnPaint(window);
        return TRUE;
    case WM_HELP: // F1 anywhere on the page: frames do not all pass it on to their help
        ::WinHelpW(window, HelpFilePath().c_str(), HELP_CONTEXT, HelpContext);
        return TRUE;
    case WM_DESTROY: // the controls are still there
        ReadValues(window, kept_);
        hasKept_ = true;
        return FALSE;
    case WM_NCDESTROY:
        OnNcDestroy(window);
        return FALSE;
    }
    return FALSE;
}

void PageForm::OnInitDialog(HWND window) {
    dpi_ = quorin::win::ReadScreenDpi();
    font_.reset(CreateFormFont(dpi_));
    titlePicture_.reset(::LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(IDB_PAGE_TITLE), IMAGE_BITMAP, 0, 0, 0));
    entryIcon_ = static_cast<HICON>(
        ::LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(IDI_PAGE_INFO), IMAGE_ICON, 16, 16, LR_SHARED));
    ::SetWindowPos(window, nullptr, 0, 0, quorin::win::TwipsToPixels(WidthTwips, dpi_.x),
                   quorin::win::TwipsToPixels(HeightTwips, dpi_.y), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    creating_ = true;
    for (const ControlLayout& layout : Controls)
        quorin::win::CreateLayoutControl(ModuleInstance(), window, layout, dpi_, font_.get());
    if (hasKept_)
        RestoreValues(window);
    creating_ = false;
    if (titlePicture_)
        ::SendDlgItemMessageW(window, IdTitlePicture, STM_SETIMAGE, IMAGE_BITMAP,
                              reinterpret_cast<LPARAM>(titlePicture_.get()));
    if (entryIcon_)
        ::SendDlgItemMessageW(window, IdEntryIcon, STM_SETICON, reinterpret_cast<WPARAM>(entryIcon_), 0);
}

// The controls are gone, so the font and picture may go. When the host destroyed the page
// window (its frame closed first), the form forgets the handle instead of destroying it later.
void PageForm::OnNcDestroy(HWND window) {
    font_.reset();
    titlePicture_.reset();
    if (window_.get() == window)
        window_.release();
}

void PageForm::OnPaint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(window, &paint);
    RECT panel = quorin::win::TwipsToPixels(TitlePanelTwips, dpi_);
    ::DrawEdge(dc, &panel, EDGE_ETCHED, BF_RECT);
    RECT line = quorin::win::TwipsToPixels(SeparatorTwips, dpi_);
    line.bottom = line.top + 2;
    ::DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
    ::EndPaint(window, &paint);
}

void PageForm::OnCommand(int id, int notification) {
    if (creating_)
        return;
    switch (id) {
    case IdOtherOption:
    case IdFastOption:
    case IdSmoothOption:
        if (notification == BN_CLICKED)
            OnIntervalChosen(id == IdOtherOption ? ChoiceOther : id == IdFastOption ? ChoiceFast : ChoiceSmooth);
        break;
    case IdIntervalBox:
        if (notification == EN_CHANGE)
            listener_.OnPageChanged();
        break;
    case IdRepeatButton:
    case IdRepeatCursor:
        if (notification == BN_CLICKED)
            listener_.OnPageChanged();
        break;
    }
}

// The other option frees the box with its text as it is; a preset fills it and locks it.
void PageForm::OnIntervalChosen(int choice) {
    HWND box = Item(IdIntervalBox);
    switch (choice) {
    case ChoiceOther:
        ::EnableWindow(box, TRUE);
        break;
    case ChoiceFast:
        SetIntervalText(L"10");
        ::EnableWindow(box, FALSE);
        break;
    case ChoiceSmooth:
        SetIntervalText(L"100");
        ::EnableWindow(box, FALSE);
        break;
    default:
        break;
    }
}

HWND PageForm::Item(int id) const {
    return window_ ? ::GetDlgItem(window_.get(), id) : nullptr;
}

void PageForm::ReadValues(HWND window, Values& values) {
    HWND box = ::GetDlgItem(window, IdIntervalBox);
    values.intervalText = quorin::win::ReadWindowText(box);
    values.intervalEnabled = ::IsWindowEnabled(box) != FALSE;
    values.choice = -1;
    for (int choice : {ChoiceOther, ChoiceFast, ChoiceSmooth})
        if (::IsDlgButtonChecked(window, ChoiceIds[choice]) == BST_CHECKED)
            values.choice = choice;
    values.repeatButton = static_cast<int>(::IsDlgButtonChecked(window, IdRepeatButton));
    values.repeatCursor = static_cast<int>(::IsDlgButtonChecked(window, IdRepeatCursor));
}

// Puts the kept values back into new controls; they were the page's already, so nothing
// counts as changed.
void PageForm::RestoreValues(HWND window) {
    HWND box = ::GetDlgItem(window, IdIntervalBox);
    if (kept_.intervalText.get())
        ::SetWindowTextW(box, kept_.intervalText.get());
    ::EnableWindow(box, kept_.intervalEnabled);
    if (kept_.choice >= 0)
        ::CheckDlgButton(window, ChoiceIds[kept_.choice], BST_CHECKED);
    ::CheckDlgButton(window, IdRepeatButton, static_cast<UINT>(kept_.repeatButton));
    ::CheckDlgButton(window, IdRepeatCursor, static_cast<UINT>(kept_.repeatCursor));
}

// Setting a text box's text reports a change only when the text differs, and a check box's
// value only when it changes.
void PageForm::SetIntervalText(const wchar_t* text) {
    if (!window_) {
        if (!hasKept_ || (kept_.intervalText.get() && ::lstrcmpW(kept_.intervalText.get(), text) == 0))
            return;
        *kept_.intervalText.put() = ::SysAllocString(text);
        listener_.OnPageChanged();
        return;
    }
    HWND box = Item(IdIntervalBox);
    const Bstr current = quorin::win::ReadWindowText(box);
    if (current.get() && ::lstrcmpW(current.get(), text) == 0)
        return;
    ::SetWindowTextW(box, text); // EN_CHANGE reports the change
}

void PageForm::SetSwitch(int id, int value) {
    if (!window_) {
        int& kept = id == IdRepeatButton ? kept_.repeatButton : kept_.repeatCursor;
        if (!hasKept_ || kept == value)
            return;
        kept = value;
    } else {
        HWND box = Item(id);
        if (!box || static_cast<int>(::SendMessageW(box, BM_GETCHECK, 0, 0)) == value)
            return;
        ::SendMessageW(box, BM_SETCHECK, static_cast<WPARAM>(value), 0);
    }
    listener_.OnPageChanged();
}

bool PageForm::FillInterval(IDispatch* control) {
    Variant interval;
    if (FAILED(quorin::win::GetPropertyByName(control, L"Interval", interval.get())) || !IsPlainValue(interval.get()))
        return false;
    if (FAILED(::VariantChangeType(interval.get(), interval.get(), 0, VT_BSTR)))
        return false;
    SetIntervalText(interval->bstrVal ? interval->bstrVal : L"");
    return true;
}

bool PageForm::FillSwitch(IDispatch* control, const wchar_t* property, int id) {
    Variant value;
    if (FAILED(quorin::win::GetPropertyByName(control, property, value.get())) || !IsPlainValue(value.get()))
        return false;
    if (FAILED(::VariantChangeType(value.get(), value.get(), 0, VT_BOOL)))
        return false;
    SetSwitch(id, value->boolVal != VARIANT_FALSE ? BST_CHECKED : BST_UNCHECKED);
    return true;
}

void PageForm::Fill(IDispatch* control) {
    FillInterval(control);
    FillSwitch(control, L"RepeatButton", IdRepeatButton);
    FillSwitch(control, L"RepeatCursor", IdRepeatCursor);
}

void PageForm::ApplyTo(IDispatch* control) {
    // The values on the page, or those kept while the frame shows another tab. A page never
    // shown has no values of its own and writes nothing.
    Values live;
    const Values* values = &kept_;
    if (window_) {
        ReadValues(window_.get(), live);
        values = &live;
    } else if (!hasKept_) {
        return;
    }
    // The text goes over as a string; the control converts it to its 16-bit Interval, and text
    // that does not convert fails this statement only. A copy goes over: the object may call
    // back into the page, which could replace the kept text meanwhile.
    if (values->intervalText.get()) {
        Variant text;
        text->vt = VT_BSTR;
        text->bstrVal = ::SysAllocStringLen(values->intervalText.get(), ::SysStringLen(values->intervalText.get()));
        if (text->bstrVal)
            quorin::win::PutPropertyByName(control, L"Interval", text.get());
    }
    for (auto [property, checked] :
         {std::pair{L"RepeatButton", values->repeatButton}, std::pair{L"RepeatCursor", values->repeatCursor}}) {
        Variant value;
        value->vt = VT_I2;
        value->iVal = static_cast<SHORT>(checked == BST_CHECKED ? 1 : 0);
        quorin::win::PutPropertyByName(control, property, value.get());
    }
}

} // namespace joystick
