// The control the About box carries to reach its container's hyperlink service: created
// through the library's own class factory, sited in the box, and asked for its Hyperlink
// object at each link click.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include "win/automation.h"

namespace joystick {

class EmbeddedControl {
public:
    EmbeddedControl() = default;
    EmbeddedControl(const EmbeddedControl&) = delete;
    EmbeddedControl& operator=(const EmbeddedControl&) = delete;
    ~EmbeddedControl() { Release(); }

    HRESULT Create();
    void Release() noexcept;

    // Hands `target` to the NavigateTo of the control's hyperlink object, with an empty
    // location and frame name. A failure's description, when the object gave one, goes to
    // *description.
    HRESULT NavigateTo(BSTR target, quorin::win::Bstr* description);

private:
    HRESULT GetHyperlink(Microsoft::WRL::ComPtr<IUnknown>* hyperlink, quorin::win::Bstr* description);

    Microsoft::WRL::ComPtr<IOleClientSite> site_;
    Microsoft::WRL::ComPtr<IOleObject> oleObject_;
    Microsoft::WRL::ComPtr<IDispatch> control_;
};

} // namespace joystick
