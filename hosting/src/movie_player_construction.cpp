// Bringing a player's control to life as a windowless, in-place active OLE
// object with fixed default settings, and taking it down again.
#include "movie_player.h"

#include "control_error.h"
#include "control_string.h"

#include "platform/library.h"

namespace moviehost {

namespace {

using DllGetClassObjectFunction = HRESULT(STDMETHODCALLTYPE*)(REFCLSID, REFIID, LPVOID*);

// The quality every new player starts with ("High").
constexpr LONG DefaultQuality = 2;

// Takes over what a creating call handed out, but only on success: a pointer
// that comes with a failure is not trusted enough to release.
template <typename T>
platform::ComPtr<T> Adopt(HRESULT hr, void* raw) noexcept {
    platform::ComPtr<T> result;
    if (SUCCEEDED(hr) && raw != nullptr)
        result.reset(static_cast<T*>(raw));
    return result;
}

}  // namespace

std::unique_ptr<CMoviePlayer> CMoviePlayer::Create(HMODULE library, LONG width, LONG height) {
    // Owned from the start, so that a step that raises still tears the
    // partly built player down, once, on its way out.
    std::unique_ptr<CMoviePlayer> player(new CMoviePlayer(width, height));
    player->Initialize(library);
    return player;
}

CMoviePlayer::CMoviePlayer(LONG width, LONG height) noexcept : m_width(width), m_height(height) { m_site.AddRef(); }

void CMoviePlayer::Initialize(HMODULE library) {
    if (FAILED(CreateControl(library)) || !m_oleObject)
        return;

    // Held in a wrapper so that a step below that raises still gives it back.
    platform::ComPtr<IOleClientSite> clientSite;
    if (FAILED(m_site.QueryInterface(IID_IOleClientSite, clientSite.receive_void())) || !clientSite)
        return;
    if (FAILED(m_oleObject->SetClientSite(clientSite.get())))
        return;
    // From here on the control may call the site, which reads the size and
    // the dirty record: both are in place.
    m_control = m_oleObject.As<IShockwaveFlash>();
    if (!m_control)
        return;

    CheckControlResult(m_control->DisableLocalSecurity(), m_control.get());
    CheckControlResult(m_control->put_EmbedMovie(VARIANT_FALSE), m_control.get());
    {
        const platform::ScopedBstr always = ToControlString(WIDE("always"));
        CheckControlResult(m_control->put_AllowScriptAccess(always.get()), m_control.get());
    }
    ApplyTransparency(0);
    ApplyQuality(DefaultQuality);

    // Activation, events and sizing never stop construction: what fails
    // leaves its field empty.
    m_oleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, clientSite.get(), 0, nullptr, nullptr);
    clientSite.reset();
    m_windowless = m_oleObject.As<IOleInPlaceObjectWindowless>();
    static_cast<void>(m_eventSink.Connect(this));
    m_eventSink.AddRef();
    ResizeSurface(m_width, m_height);
}

// The control as an OLE object, from the library's class factory when a
// library is loaded, else from the registered server. A library that is loaded
// but cannot make the control is not second-guessed through the registry.
HRESULT CMoviePlayer::CreateControl(HMODULE library) {
    void* raw = nullptr;
    if (library == nullptr) {
        const HRESULT hr = CoCreateInstance(CLSID_ShockwaveFlash, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, &raw);
        m_oleObject = Adopt<IOleObject>(hr, raw);
        return hr;
    }
    // Looked up afresh for every player: the factory is used once.
    const auto getClassObject =
        platform::ProcedureAs<DllGetClassObjectFunction>(GetProcAddress(library, "DllGetClassObject"));
    if (getClassObject == nullptr)
        return CO_E_ERRORINDLL;
    HRESULT hr = getClassObject(CLSID_ShockwaveFlash, IID_IClassFactory, &raw);
    const auto factory = Adopt<IClassFactory>(hr, raw);
    if (!factory)
        return FAILED(hr) ? hr : E_NOINTERFACE;
    raw = nullptr;
    hr = factory->CreateInstance(nullptr, IID_IOleObject, &raw);
    m_oleObject = Adopt<IOleObject>(hr, raw);
    return hr;
}

CMoviePlayer::~CMoviePlayer() {
    ReleasePrivateSurfaces();
    m_windowless.reset();
    // The control goes before its events are unsubscribed and before it is
    // closed; the OLE object's reference keeps it alive until then.
    m_control.reset();
    m_eventSink.Disconnect();
    m_eventSink.Release();  // construction's reference, taken or not
    if (m_oleObject) {
        m_oleObject->Close(OLECLOSE_NOSAVE);
        m_oleObject.reset();
    }
    m_site.Release();
    // The lists and the result string go with the members; the site and the
    // sink stay valid until then, as the control may call them while it
    // closes and releases.
}

#ifdef _WIN32
// What a delete through the table does on Windows: the destructor, then, with
// bit 0, the memory that `new` gave (players are made by Create only).
void* CMoviePlayer::DeletingDestructor(unsigned int flags) {
    this->~CMoviePlayer();
    if ((flags & 1U) != 0)
        ::operator delete(this);
    return this;
}
#endif

}  // namespace moviehost
