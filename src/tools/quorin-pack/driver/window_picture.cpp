// Pictures of a window as the screen shows it, saved as PNG through the platform's imaging
// component, so the driver needs no image library of its own.
#include <wincodec.h>
#include <wrl/client.h>

#include "driver/setup_driver.h"

namespace quorin::driver {

using Microsoft::WRL::ComPtr;

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

} // namespace quorin::driver
