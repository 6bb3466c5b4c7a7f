// PNG files through the Windows Imaging Component, which is part of Windows.
#include "png_file.h"

#include <windows.h>
// After windows.h, which it builds on.
#include <wincodec.h>

#include <cstdint>
#include <cstdio>
#include <system_error>
#include <vector>

namespace moviecapture {

namespace {

// Holds one COM reference and releases it.
template <typename T>
class Ref {
public:
    Ref() = default;
    ~Ref() {
        if (m_p != nullptr)
            m_p->Release();
    }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    T* operator->() const { return m_p; }
    T** put() { return &m_p; }
    [[nodiscard]] T* get() const { return m_p; }

private:
    T* m_p = nullptr;
};

std::string hresultText(const char* step, HRESULT hr) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s failed (0x%08lx)", step, static_cast<unsigned long>(hr));
    return buffer;
}

// The apartment WIC needs, for one call; a thread already in one keeps it.
class Apartment {
public:
    Apartment() : m_hr(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~Apartment() {
        if (SUCCEEDED(m_hr))
            CoUninitialize();
    }
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;

private:
    HRESULT m_hr;
};

std::optional<std::string> encode(const std::filesystem::path& path, const moviehost::client::Frame& frame) {
    Ref<IWICImagingFactory> factory;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  reinterpret_cast<void**>(factory.put()));
    if (FAILED(hr))
        return hresultText("creating the imaging factory", hr);
    Ref<IWICStream> stream;
    if (FAILED(hr = factory->CreateStream(stream.put())) ||
        FAILED(hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)))
        return hresultText("opening the file", hr);
    Ref<IWICBitmapEncoder> encoder;
    if (FAILED(hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put())) ||
        FAILED(hr = encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)))
        return hresultText("starting the PNG encoder", hr);
    Ref<IWICBitmapFrameEncode> image;
    Ref<IPropertyBag2> options;
    if (FAILED(hr = encoder->CreateNewFrame(image.put(), options.put())) ||
        FAILED(hr = image->Initialize(options.get())))
        return hresultText("starting the image", hr);
    const auto width = static_cast<UINT>(frame.width());
    const auto height = static_cast<UINT>(frame.height());
    // The encoder takes blue, green, red, alpha; the frame has red first.
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    if (FAILED(hr = image->SetSize(width, height)) || FAILED(hr = image->SetPixelFormat(&format)))
        return hresultText("setting the image format", hr);
    if (!IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA))
        return "the PNG encoder does not take 32-bit BGRA pixels";
    const auto bytes = frame.bytes();
    std::vector<BYTE> pixels(bytes.begin(), bytes.end());
    for (std::size_t i = 0; i + 3 < pixels.size(); i += 4)
        std::swap(pixels[i], pixels[i + 2]);
    const UINT stride = width * 4;
    if (FAILED(hr = image->WritePixels(height, stride, static_cast<UINT>(pixels.size()), pixels.data())) ||
        FAILED(hr = image->Commit()) || FAILED(hr = encoder->Commit()))
        return hresultText("writing the image", hr);
    return std::nullopt;
}

}  // namespace

std::optional<std::string> writePngFile(const std::filesystem::path& path, const moviehost::client::Frame& frame) {
    std::optional<std::string> failure;
    {
        Apartment apartment;
        failure = encode(path, frame);
    }
    if (failure) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
    return failure;
}

}  // namespace moviecapture
