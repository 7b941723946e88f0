#include "edit/DragDrop.h"

#include <shlobj.h>

#include <atomic>
#include <cstring>

namespace varnook {

namespace {

IDataObject* gCurrentDrag = nullptr;

// IUnknown for one interface, counted.
template <class Interface>
class TComObject : public Interface {
public:
    virtual ~TComObject() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == __uuidof(Interface)) {
            *out = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

private:
    std::atomic<ULONG> refs_{1};
};

HGLOBAL CopyToGlobal(const void* data, size_t size)
{
    HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, size ? size : 1);
    if (!global)
        return nullptr;
    if (void* p = GlobalLock(global)) {
        if (size)
            std::memcpy(p, data, size);
        GlobalUnlock(global);
    }
    return global;
}

class TNodeDataObject final : public TComObject<IDataObject> {
public:
    TNodeDataObject(TBytes records, std::u16string text) : records_(std::move(records)), text_(std::move(text)) {}

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        if (!format || !medium)
            return E_INVALIDARG;
        const HRESULT ok = QueryGetData(format);
        if (ok != S_OK)
            return ok;
        HGLOBAL global = format->cfFormat == CF_UNICODETEXT
                             ? CopyToGlobal(text_.c_str(), (text_.size() + 1) * sizeof(char16_t))
                             : CopyToGlobal(records_.data(), records_.size());
        if (!global)
            return E_OUTOFMEMORY;
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = global;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override
    {
        if (!format)
            return E_INVALIDARG;
        if (format->cfFormat != CF_UNICODETEXT && format->cfFormat != TreeDataFormat())
            return DV_E_FORMATETC;
        if (!(format->tymed & TYMED_HGLOBAL))
            return DV_E_TYMED;
        if (format->dwAspect != DVASPECT_CONTENT)
            return DV_E_DVASPECT;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override
    {
        if (out)
            out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override
    {
        if (direction != DATADIR_GET)
            return E_NOTIMPL;
        FORMATETC formats[2] = {
            {static_cast<CLIPFORMAT>(TreeDataFormat()), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL},
            {CF_UNICODETEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL},
        };
        return SHCreateStdEnumFmtEtc(2, formats, out);
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override
    {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    TBytes records_;
    std::u16string text_;
};

class TNodeDropSource final : public TComObject<IDropSource> {
public:
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override
    {
        if (escape || (keys & MK_RBUTTON))
            return DRAGDROP_S_CANCEL;
        if (!(keys & MK_LBUTTON))
            return DRAGDROP_S_DROP;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

class TTreeDropTarget final : public TComObject<IDropTarget> {
public:
    explicit TTreeDropTarget(IDropHandler& handler) : handler_(handler) {}

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL pt, DWORD* effect) override
    {
        accepting_ = IsOwnDrag(data);
        return DragOver(0, pt, effect);
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL pt, DWORD* effect) override
    {
        if (!effect)
            return E_INVALIDARG;
        const DWORD offered = *effect;
        *effect = accepting_ ? handler_.DragOver({pt.x, pt.y}) & offered : DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override
    {
        if (accepting_)
            handler_.DragLeave();
        accepting_ = false;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL pt, DWORD* effect) override
    {
        if (!effect)
            return E_INVALIDARG;
        const DWORD offered = *effect;
        *effect = DROPEFFECT_NONE;
        if (accepting_ && IsOwnDrag(data) && (handler_.DragOver({pt.x, pt.y}) & offered))
            *effect = handler_.Drop({pt.x, pt.y}) & offered;
        if (accepting_)
            handler_.DragLeave();
        accepting_ = false;
        return S_OK;
    }

private:
    IDropHandler& handler_;
    bool accepting_ = false;
};

} // namespace

UINT TreeDataFormat()
{
    static const UINT format = RegisterClipboardFormatW(L"Virtual Tree Data");
    return format;
}

IDataObject* CreateNodeDataObject(TBytes records, std::u16string text)
{
    return new TNodeDataObject(std::move(records), std::move(text));
}

bool IsOwnDrag(IDataObject* data)
{
    return data && data == gCurrentDrag;
}

DWORD RunNodeDrag(IDataObject* data)
{
    auto* source = new TNodeDropSource;
    gCurrentDrag = data;
    DWORD effect = DROPEFFECT_NONE;
    const HRESULT result = DoDragDrop(data, source, DROPEFFECT_MOVE, &effect);
    gCurrentDrag = nullptr;
    source->Release();
    return result == DRAGDROP_S_DROP ? effect : DROPEFFECT_NONE;
}

TDropTargetRegistration::TDropTargetRegistration(HWND control, IDropHandler& handler)
    : control_(control), target_(new TTreeDropTarget(handler))
{
    registered_ = SUCCEEDED(RegisterDragDrop(control_, target_));
}

TDropTargetRegistration::~TDropTargetRegistration()
{
    if (registered_)
        RevokeDragDrop(control_);
    target_->Release();
}

} // namespace varnook
