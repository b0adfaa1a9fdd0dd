#include "setup_driver.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/text.h"
#include "basic/string_routines.h"
#include "basic/variant.h"
#include "win/ansi.h"

namespace quorin::driver {

using Microsoft::WRL::ComPtr;

// ---------------------------------------------------------------------------------------------
// Files.

std::string Utf8(const wstring& s) {
    return quorin::ToUtf8(quorin::win::FromWide(s.c_str()));
}

wstring FromUtf8(const std::string& s) {
    return quorin::win::W(quorin::FromUtf8(s));
}

wstring WindowsPath(const char* arg) {
    wstring p = quorin::win::W(quorin::win::FromAnsi(arg));
    for (auto& c : p)
        if (c == L'/')
            c = L'\\';
    return p.size() > 1 && p[0] == L'\\' ? L"Z:" + p : p;
}

std::optional<Bytes> ReadBytes(const wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    if (!in)
        return std::nullopt;
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool WriteBytes(const wstring& path, const Bytes& data) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(out.flush());
}

bool Exists(const wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {

void CollectTree(const wstring& folder, TreeMap& out) {
    WIN32_FIND_DATAW d;
    quorin::win::UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &d));
    if (!find)
        return;
    do {
        const wstring name = d.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const wstring path = folder + L"\\" + name;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out[path] = kFolderMark;
            CollectTree(path, out);
        } else {
            out[path] = ReadBytes(path).value_or("<unreadable>");
        }
    } while (FindNextFileW(find.get(), &d));
}

} // namespace

TreeMap Tree(const wstring& folder) {
    TreeMap t;
    CollectTree(folder, t);
    return t;
}

void RemoveTree(const wstring& folder) {
    const TreeMap t = Tree(folder);
    for (auto it = t.rbegin(); it != t.rend(); ++it) {
        SetFileAttributesW(it->first.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (it->second == kFolderMark)
            RemoveDirectoryW(it->first.c_str());
        else
            DeleteFileW(it->first.c_str());
    }
    RemoveDirectoryW(folder.c_str());
}

bool CopyTree(const wstring& from, const wstring& to) {
    RemoveTree(to);
    if (!CreateDirectoryW(to.c_str(), nullptr))
        return false;
    bool ok = true;
    // The map is ordered by path, so a folder comes before what is in it.
    for (const auto& [path, data] : Tree(from)) {
        const wstring target = to + path.substr(from.size());
        ok = (data == kFolderMark ? CreateDirectoryW(target.c_str(), nullptr) != 0
                                  : CopyFileW(path.c_str(), target.c_str(), FALSE) != 0) &&
             ok;
    }
    return ok;
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (condition())
            return true;
        if (Clock::now() > end)
            return false;
        Sleep(50);
    }
}

// ---------------------------------------------------------------------------------------------
// Registry.

std::optional<wstring> RegString(HKEY root, const wstring& key, const wchar_t* name) {
    wchar_t buf[1024] = {};
    DWORD size = sizeof buf - sizeof(wchar_t);
    if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return wstring(buf);
}

bool KeyExists(HKEY root, const wstring& key) {
    quorin::win::UniqueHKey h;
    return RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, h.put()) == ERROR_SUCCESS;
}

// ---------------------------------------------------------------------------------------------
// Windows of another process.

wstring ClassOf(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    return name;
}

wstring TextOf(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &length))
        return L"<no answer>";
    wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL,
                        5000, &copied);
    text.resize(copied);
    return text;
}

namespace {

struct WindowSearch {
    DWORD pid; // 0: every window
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<WindowSearch*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (s->pid == 0 || (owner == s->pid && IsWindowVisible(hwnd)))
        s->found.push_back(hwnd);
    return TRUE;
}

} // namespace

std::vector<HWND> TopLevelWindows(DWORD pid) {
    WindowSearch search{pid, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> Children(HWND parent) {
    WindowSearch search{0, {}};
    EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Child(HWND parent, const wchar_t* cls, const wstring& caption) {
    for (HWND c : Children(parent))
        if (_wcsicmp(ClassOf(c).c_str(), cls) == 0 && TextOf(c) == caption)
            return c;
    return nullptr;
}

bool Usable(HWND h) {
    return h != nullptr && IsWindowVisible(h) && IsWindowEnabled(h);
}

void Press(HWND button) {
    PostMessageW(button, BM_CLICK, 0, 0);
}

// ---------------------------------------------------------------------------------------------
// Pictures.

namespace {

// The screen in a window's client area, 24 bits a pixel, rows top first and padded to 4 bytes.
struct ScreenRows {
    int width = 0, height = 0;
    UINT stride = 0;
    Bytes rows;
};

ScreenRows CaptureClient(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
    ScreenRows image;
    image.width = r.right - r.left;
    image.height = r.bottom - r.top;
    if (image.width <= 0 || image.height <= 0)
        return image;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = image.width;
    bi.bmiHeader.biHeight = -image.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    quorin::win::UniqueGdi bmp(CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (bmp) {
        HGDIOBJ old = SelectObject(mem, bmp.get());
        BitBlt(mem, 0, 0, image.width, image.height, screen, r.left, r.top, SRCCOPY);
        SelectObject(mem, old);
        image.stride = (static_cast<UINT>(image.width) * 3 + 3) / 4 * 4;
        image.rows.assign(static_cast<const char*>(bits), static_cast<size_t>(image.stride) * image.height);
    }
    bmp.reset();
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return image;
}

// Through the platform's imaging component, so the driver needs no image library of its own.
bool WritePng(const ScreenRows& image, const wstring& path) {
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(factory.GetAddressOf()))) ||
        FAILED(factory->CreateStream(stream.GetAddressOf())) ||
        FAILED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) ||
        FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.GetAddressOf())) ||
        FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(frame.GetAddressOf(), options.GetAddressOf())) ||
        FAILED(frame->Initialize(options.Get())) ||
        FAILED(frame->SetSize(static_cast<UINT>(image.width), static_cast<UINT>(image.height))) ||
        FAILED(frame->SetPixelFormat(&format)) || format != GUID_WICPixelFormat24bppBGR)
        return false;
    auto* rows = reinterpret_cast<BYTE*>(const_cast<char*>(image.rows.data()));
    return SUCCEEDED(frame->WritePixels(static_cast<UINT>(image.height), image.stride,
                                        static_cast<UINT>(image.rows.size()), rows)) &&
           SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

} // namespace

bool SaveWindowPicture(HWND hwnd, const wstring& path) {
    UpdateWindow(hwnd);
    ScreenRows image = CaptureClient(hwnd);
    WaitUntil(
        [&] {
            ScreenRows again = CaptureClient(hwnd);
            const bool same = again.rows == image.rows;
            image = std::move(again);
            return same && !image.rows.empty();
        },
        3000);
    if (image.rows.empty())
        return false;
    // The imaging component is a COM object: the calling thread joins COM for the call.
    const HRESULT joined = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const bool written = WritePng(image, path);
    if (SUCCEEDED(joined))
        CoUninitialize();
    return written;
}

// ---------------------------------------------------------------------------------------------
// Setup's string table.

wstring ResString(const wstring& setupExe, UINT id) {
    quorin::win::UniqueModule m(
        LoadLibraryExW(setupExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    const wchar_t* text = nullptr;
    const int n = m ? LoadStringW(m.get(), id, reinterpret_cast<LPWSTR>(&text), 0) : 0;
    return n > 0 ? wstring(text, static_cast<size_t>(n)) : wstring();
}

wstring AsShownInBox(const wstring& text) {
    return quorin::win::W(quorin::win::FromAnsi(quorin::win::ToAnsi(quorin::win::FromWide(text.c_str()))));
}

wstring BoxText(const wstring& setupExe, UINT id, const std::vector<wstring>& values) {
    std::vector<quorin::Variant> v;
    for (const auto& s : values)
        v.emplace_back(quorin::win::FromWide(s.c_str()));
    const quorin::Text filled =
        quorin::EmbedValues(quorin::win::FromWide(ResString(setupExe, id).c_str()), v);
    return AsShownInBox(quorin::win::W(filled));
}

// ---------------------------------------------------------------------------------------------
// One run of Setup.EXE.

SetupRun::SetupRun(const wstring& folder) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    wstring commandLine = L"\"" + folder + L"\\Setup.EXE\"";
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                       &pi)) {
        process_.reset(pi.hProcess);
        CloseHandle(pi.hThread);
        pid_ = pi.dwProcessId;
    }
}

HWND SetupRun::FindMain() {
    if (!main_)
        for (HWND h : TopLevelWindows(pid_))
            if (ClassOf(h) != L"#32770" && TextOf(h) == kApplicationTitle)
                main_ = h;
    return main_;
}

HWND SetupRun::WaitForMain(int timeoutMs) {
    WaitUntil([&] { return FindMain() != nullptr; }, timeoutMs);
    return main_;
}

bool SetupRun::Settled() const {
    if (!main_)
        return false;
    for (const wchar_t* caption : {kInstallTag, kUninstallTag, kPathInitial})
        if (HWND label = Child(main_, L"Static", caption))
            return !IsWindowVisible(label) || caption != kPathInitial;
    return false;
}

std::optional<MessageBoxSeen> SetupRun::FindBox() const {
    for (HWND h : TopLevelWindows(pid_))
        if (ClassOf(h) == L"#32770") {
            Sleep(100); // let the box finish laying itself out
            MessageBoxSeen seen;
            seen.hwnd = h;
            seen.owner = GetWindow(h, GW_OWNER);
            seen.caption = TextOf(h);
            if (HWND text = GetDlgItem(h, kBoxText))
                seen.text = TextOf(text);
            for (int id : {kIdOk, 2, 3, 4, 5, kIdYes, kIdNo})
                if (HWND b = GetDlgItem(h, id); b && IsWindowVisible(b)) {
                    seen.buttons.push_back(id);
                    if ((GetWindowLongW(b, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
                        seen.defaultButton = id;
                }
            return seen;
        }
    return std::nullopt;
}

std::optional<MessageBoxSeen> SetupRun::WaitForBox(int timeoutMs) const {
    std::optional<MessageBoxSeen> box;
    WaitUntil([&] { return (box = FindBox()).has_value(); }, timeoutMs);
    return box;
}

bool SetupRun::Answer(const MessageBoxSeen& box, int button) const {
    HWND b = GetDlgItem(box.hwnd, button);
    if (b == nullptr)
        return false;
    Press(b);
    return WaitUntil([&] { return !IsWindow(box.hwnd) || !IsWindowVisible(box.hwnd); }, 10000);
}

bool SetupRun::WaitForExit(int timeoutMs) const {
    return process_ && WaitForSingleObject(process_.get(), static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
}

bool SetupRun::Terminate() {
    if (!process_ || WaitForSingleObject(process_.get(), 0) != WAIT_TIMEOUT)
        return false;
    TerminateProcess(process_.get(), 99);
    WaitForSingleObject(process_.get(), 10000);
    return true;
}

DWORD SetupRun::ExitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

Session Drive(const wstring& folder, const wchar_t* button, int seconds, const DriveHooks& hooks) {
    Session r;
    const auto start = Clock::now();
    // The idle tip is back once a procedure has finished, before its closing boxes; Cancel
    // pressed earlier would stay queued until a box's loop and end the program under it.
    const wstring idleTip = ResString(folder + L"\\Setup.EXE", kTipIdle);
    SetupRun run(folder);
    r.started = run.started();
    const auto end = start + std::chrono::seconds(seconds);
    auto quietSince = Clock::now();
    bool busySeen = false, completed = false, cancelled = false;
    while (r.started && Clock::now() < end) {
        if (run.WaitForExit(100)) {
            r.ended = true;
            break;
        }
        if (auto box = run.FindBox()) {
            r.boxes.push_back(*box);
            const bool yes =
                std::find(box->buttons.begin(), box->buttons.end(), kIdYes) != box->buttons.end();
            run.Answer(*box, yes ? kIdYes : kIdOk);
            completed =
                completed || (r.pressed && !hooks.completion.empty() && box->text == hooks.completion);
            quietSince = Clock::now();
            continue;
        }
        if (!run.FindMain())
            continue;
        if (!r.settled) {
            // A box shown while the state is decided (installed elsewhere) comes first.
            if (!run.Settled())
                continue;
            r.settled = true;
            r.installOffered = IsWindowVisible(run.Button(kInstallCaption));
            r.uninstallOffered = IsWindowVisible(run.Button(kUninstallCaption));
            if (hooks.settled)
                hooks.settled(run);
            quietSince = Clock::now();
        }
        if (button && !r.pressed && Usable(run.Button(button))) {
            Press(run.Button(button));
            r.pressed = true;
            quietSince = Clock::now();
            continue;
        }
        if (r.pressed && !busySeen && hooks.busy && !hooks.busyTip.empty() &&
            Child(run.main(), L"Static", hooks.busyTip) != nullptr) {
            busySeen = true;
            hooks.busy(run);
        }
        if (completed && !cancelled) {
            Press(run.Button(kCancelCaption));
            cancelled = true;
            quietSince = Clock::now();
            continue;
        }
        // The look waits for Setup's thread to answer, so a box it was about to show is up by then.
        const bool idle = !r.pressed || (Child(run.main(), L"Static", idleTip) != nullptr);
        if (idle && Clock::now() - quietSince > std::chrono::milliseconds(500) && !run.FindBox()) {
            if (HWND cancel = run.Button(kCancelCaption))
                Press(cancel);
            quietSince = Clock::now();
        }
    }
    run.Terminate();
    r.exitCode = run.ExitCode();
    r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return r;
}

} // namespace quorin::driver
