// A minimal OLE container for one control: a site that answers as client site and in-place
// site, the control made and initialised as new, activated in place over a rectangle of the
// parent window and taken down in the order controls expect.
#include <ocidl.h>
#include <ole2.h>
#include <windows.h>

#include <memory>

#include "gui/win32/win32_automation.h"
#include "gui/win32/win32_backend.h"

namespace scr {

namespace {

RECT ToRect(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// The container's side of the control. Counted like any COM object: the control keeps its own
// references for as long as it likes.
class Site final : public IOleClientSite, public IOleInPlaceSite {
public:
    Site(HWND window, const RECT& position) : window_(window), position_(position) {}
    void SetPosition(const RECT& position) { position_ = position; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite))
            *out = static_cast<IOleClientSite*>(this);
        else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite))
            *out = static_cast<IOleInPlaceSite*>(this);
        else
            return E_NOINTERFACE;  // no ambient properties, no control site: defaults serve
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return ULONG(n);
    }

    // IOleClientSite: nothing is saved and there is no document to name or show.
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override {
        if (out != nullptr) *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** out) override {
        if (out != nullptr) *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow
    STDMETHODIMP GetWindow(HWND* out) override {
        if (out == nullptr) return E_POINTER;
        *out = window_;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
        if (frame == nullptr || document == nullptr || position == nullptr || clip == nullptr || info == nullptr)
            return E_POINTER;
        // No frame and no document window: the control gets no menus or toolbars to merge.
        *frame = nullptr;
        *document = nullptr;
        *position = position_;
        *clip = position_;
        info->fMDIApp = FALSE;
        info->hwndFrame = GetAncestor(window_, GA_ROOT);
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    // The container places the control: a wish to move is not granted.
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

private:
    ~Site() = default;

    LONG refs_ = 1;
    HWND window_;
    RECT position_;
};

class Win32ActiveXControl final : public ActiveXControl {
public:
    Win32ActiveXControl(HWND parent, const CLSID& clsid, const Rect& bounds)
        : parent_(parent), position_(ToRect(bounds)) {
        try {
            Create(clsid);
        } catch (...) {
            TearDown();
            throw;
        }
    }
    ~Win32ActiveXControl() override { TearDown(); }
    Win32ActiveXControl(const Win32ActiveXControl&) = delete;
    Win32ActiveXControl& operator=(const Win32ActiveXControl&) = delete;

    AutomationObject& Dispatch() override { return *dispatch_; }

    void SetBounds(const Rect& bounds) override {
        position_ = ToRect(bounds);
        site_->SetPosition(position_);
        OleCheck(in_place_->SetObjectRects(&position_, &position_));
    }

    void SetVisible(bool visible) override {
        OleCheck(object_->DoVerb(visible ? OLEIVERB_SHOW : OLEIVERB_HIDE, nullptr, site_.Get(), 0, parent_, &position_));
    }

    void SetFocus() override {
        HWND window = nullptr;
        if (in_place_ && SUCCEEDED(in_place_->GetWindow(&window)) && window != nullptr) ::SetFocus(window);
    }

private:
    void Create(const CLSID& clsid) {
        site_ = ComPtr<Site>::Adopt(new Site(parent_, position_));
        OleCheck(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, object_.PutVoid()));
        // The usual order is InitNew, then the site; a control may ask for its site first.
        DWORD status = 0;
        if (FAILED(object_->GetMiscStatus(DVASPECT_CONTENT, &status))) status = 0;
        const bool site_first = (status & OLEMISC_SETCLIENTSITEFIRST) != 0;
        if (site_first) OleCheck(object_->SetClientSite(site_.Get()));
        InitNew();
        if (!site_first) OleCheck(object_->SetClientSite(site_.Get()));
        OleCheck(OleSetContainedObject(object_.Get(), TRUE));
        ComPtr<IDispatch> dispatch;
        OleCheck(object_.As(dispatch));
        dispatch_ = std::make_unique<Win32Dispatch>(std::move(dispatch));
        OleCheck(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, parent_, &position_));
        OleCheck(object_.As(in_place_));
    }

    void InitNew() {
        ComPtr<IPersistStreamInit> stream;
        if (SUCCEEDED(object_.As(stream))) return OleCheck(stream->InitNew());
        ComPtr<IPersistStorage> persist;
        if (FAILED(object_.As(persist))) return;  // a control that keeps no state needs nothing
        // A temporary compound file, deleted with its last reference.
        OleCheck(StgCreateDocfile(nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE | STGM_DELETEONRELEASE,
                                  0, storage_.Put()));
        OleCheck(persist->InitNew(storage_.Get()));
    }

    // Also undoes a creation that failed half-way; results are ignored: nothing more can be done.
    void TearDown() {
        if (in_place_) in_place_->InPlaceDeactivate();
        if (object_) {
            object_->Close(OLECLOSE_NOSAVE);
            object_->SetClientSite(nullptr);
        }
        dispatch_.reset();
        in_place_.Reset();
        object_.Reset();
        storage_.Reset();
        site_.Reset();
    }

    HWND parent_;
    RECT position_;
    ComPtr<Site> site_;
    ComPtr<IStorage> storage_;
    ComPtr<IOleObject> object_;
    ComPtr<IOleInPlaceObject> in_place_;
    std::unique_ptr<Win32Dispatch> dispatch_;
};

}  // namespace

std::unique_ptr<ActiveXControl> Win32Backend::NewActiveXControl(Window& parent, const std::string& class_name_or_clsid,
                                                                const Rect& bounds) {
    return std::make_unique<Win32ActiveXControl>(reinterpret_cast<HWND>(parent.Handle()),
                                                 ClassIdOf(class_name_or_clsid), bounds);
}

}  // namespace scr
