// Files, the registry, windows of another process and Setup's string table, as the driver and the
// end-to-end tests look at them.
#include "driver/setup_driver.h"

#include <algorithm>

#include "base/text.h"
#include "basic/string_routines.h"
#include "basic/variant.h"
#include "win/ansi.h"

namespace quorin::driver {

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

namespace {

// A file opened the way the driver reads and writes: others may read and write it meanwhile.
quorin::win::UniqueFile OpenFile(const wstring& path, DWORD access, DWORD disposition) {
    return quorin::win::UniqueFile(CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                               nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

} // namespace

std::optional<Bytes> ReadBytes(const wstring& path) {
    const quorin::win::UniqueFile file = OpenFile(path, GENERIC_READ, OPEN_EXISTING);
    if (!file)
        return std::nullopt;
    Bytes data;
    char buffer[1 << 16];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        data.append(buffer, read);
    return data;
}

bool WriteBytes(const wstring& path, const Bytes& data) {
    const quorin::win::UniqueFile file = OpenFile(path, GENERIC_WRITE, CREATE_ALWAYS);
    DWORD written = 0;
    return file && WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
           written == data.size();
}

bool Exists(const wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WalkFolder(const wstring& folder, const FolderVisitor& visit, const wstring& relative) {
    WIN32_FIND_DATAW d;
    quorin::win::UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &d));
    if (!find)
        return;
    do {
        const wstring name = d.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const wstring path = folder + L"\\" + name;
        const wstring inside = relative.empty() ? name : relative + L"\\" + name;
        visit(path, inside, d);
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            WalkFolder(path, visit, inside);
    } while (FindNextFileW(find.get(), &d));
}

TreeMap Tree(const wstring& folder) {
    TreeMap t;
    WalkFolder(folder, [&](const wstring& path, const wstring&, const WIN32_FIND_DATAW& entry) {
        t[path] = entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY
                      ? Bytes(kFolderMark)
                      : ReadBytes(path).value_or("<unreadable>");
    });
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
    // A folder comes before what is in it.
    WalkFolder(from, [&](const wstring& path, const wstring& relative, const WIN32_FIND_DATAW& entry) {
        const wstring target = to + L"\\" + relative;
        ok = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY
                  ? CreateDirectoryW(target.c_str(), nullptr) != 0
                  : CopyFileW(path.c_str(), target.c_str(), FALSE) != 0) &&
             ok;
    });
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

} // namespace quorin::driver
