// The property page's window and what it shows: the interval choices, the interval box and
// the two repeat switches. The form reads and writes the selected control by name, and keeps
// what the user set while a frame has taken its window away (a frame with several pages does
// when the user picks another tab, and applies every page on OK).
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "win/automation.h"
#include "win/twips.h"
#include "win/unique_handle.h"

namespace joystick {

class PageForm {
public:
    // Told whenever the user, or a fill that differs from what the page showed, changes a value.
    class Listener {
    public:
        virtual void OnPageChanged() noexcept = 0;

    protected:
        ~Listener() = default;
    };

    // The page as designed, in twips (6300 x 3300 = 420 x 220 pixels at 96 dpi), and its help
    // topic in the library's help file.
    static constexpr int WidthTwips = 6300;
    static constexpr int HeightTwips = 3300;
    static constexpr DWORD HelpContext = 203;

    explicit PageForm(Listener& listener) noexcept : listener_(listener) {}
    PageForm(const PageForm&) = delete;
    PageForm& operator=(const PageForm&) = delete;

    // Creates the window in `parent` at `rect`, with the values the form kept from its last
    // window, if any; `restored` tells whether it had kept values.
    HRESULT Create(HWND parent, const RECT& rect, bool& restored);
    // Destroys the window; the form keeps what it showed.
    void Destroy() noexcept { window_.reset(); }
    HWND Window() const noexcept { return window_.get(); }
    // Whether the form holds values of its own: a window, or what it kept from its last one.
    bool HasValues() const noexcept { return window_ || hasKept_; }

    // Shows the control's Interval and repeat switches; a statement that fails is skipped.
    void Fill(IDispatch* control);
    // Writes the values to the control; a statement that fails is skipped.
    void ApplyTo(IDispatch* control);

    INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    // What the user set on the page: in its controls while it has a window, else in kept_.
    struct Values {
        quorin::win::Bstr intervalText;
        bool intervalEnabled = true;
        int choice = -1; // the chosen interval option (an IntervalChoice), -1 for none
        int repeatButton = BST_UNCHECKED;
        int repeatCursor = BST_UNCHECKED;
    };

    void OnInitDialog(HWND window);
    void OnNcDestroy(HWND window);
    void OnPaint(HWND window);
    void OnCommand(int id, int notification);
    void OnIntervalChosen(int choice);
    HWND Item(int id) const;
    static void ReadValues(HWND window, Values& values);
    void RestoreValues(HWND window);
    void SetIntervalText(const wchar_t* text);
    void SetSwitch(int id, int value);
    bool FillInterval(IDispatch* control);
    bool FillSwitch(IDispatch* control, const wchar_t* property, int id);

    Listener& listener_;
    bool creating_ = false;
    Values kept_;          // what the page showed when its window went
    bool hasKept_ = false; // kept_ holds values the page has no window for
    quorin::win::ScreenDpi dpi_;
    quorin::win::UniqueGdi font_;
    quorin::win::UniqueGdi titlePicture_;
    HICON entryIcon_ = nullptr;       // shared resource icon, owned by the system
    quorin::win::UniqueWindow window_; // last member: destroyed before the font and pictures
};

} // namespace joystick
