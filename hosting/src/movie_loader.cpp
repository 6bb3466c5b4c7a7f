#include "movie_loader.h"

#include "control_error.h"
#include "control_library_path.h"
#include "movie_player.h"

#include "moviehost/flash_contract.h"
#include "platform/com.h"
#include "platform/library.h"
#include "platform/ole.h"

#include <cstdint>
#include <limits>
#include <memory>

namespace moviehost {

namespace {

constexpr double VersionScale = 1.0 / 65536.0;

}  // namespace

bool IsDrawableSurfaceSize(LONG width, LONG height) noexcept {
    if (width <= 0 || height <= 0)
        return false;
    // Two positive LONGs multiply within 64 bits unsigned; times 4 they might
    // not, so the limit is divided instead.
    const std::uint64_t pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    return pixels <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) / 4;
}

CMovieLoader::CMovieLoader() noexcept {
    WCHAR path[MAX_PATH];
    const bool registered = FindControlLibrary(path);
    static_cast<void>(CoInitialize(nullptr));
    // A registered library that does not load is not searched past.
    m_library = registered ? LoadLibraryW(path) : LoadFallbackControlLibrary();
}

CMovieLoader::~CMovieLoader() {
    FreeLibrary(m_library);
    CoUninitialize();
}

// Always the registered server, never the loaded library: this answers for
// what is installed.
double CMovieLoader::QueryControlVersion() {
    platform::ComPtr<IOleObject> object;
    {
        void* raw = nullptr;
        const HRESULT hr = CoCreateInstance(CLSID_ShockwaveFlash, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, &raw);
        if (FAILED(hr) || raw == nullptr)
            return 0.0;
        object.reset(static_cast<IOleObject*>(raw));
    }
    platform::ComPtr<IShockwaveFlash> control = object.As<IShockwaveFlash>();
    if (!control)
        return 0.0;
    LONG version = 0;
    const HRESULT hr = control->FlashVersion(&version);
    if (FAILED(hr)) {
        // Both references go back before the error leaves; the error object is
        // gathered while the control is still there to be asked.
        platform::ComPtr<IShockwaveFlash> failed = std::move(control);
        object.reset();
        RaiseControlError(hr, failed.get());
    }
    return static_cast<double>(version) * VersionScale;
}

IMoviePlayer* CMovieLoader::NewPlayer(LONG width, LONG height) {
    if (!IsDrawableSurfaceSize(width, height))
        return nullptr;
    std::unique_ptr<CMoviePlayer> player = CMoviePlayer::Create(m_library, width, height);
    if (player->Control() == nullptr)
        return nullptr;  // torn down and freed on the way out
    return player.release();
}

void CMovieLoader::DeletePlayer(IMoviePlayer* player) {
#ifdef _WIN32
    if (player != nullptr)
        player->DeletingDestructor(1);
#else
    delete player;
#endif
}

bool CMovieLoader::ReservedA(DWORD, DWORD, DWORD) { return false; }

bool CMovieLoader::ReservedB(DWORD, DWORD) { return false; }

}  // namespace moviehost
