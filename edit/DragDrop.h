// OLE drag and drop of tree nodes: the data object that carries the dragged nodes, the drop
// source, and a drop target that hands the pointer to the window. Only drags this process
// started are ever accepted: data from other programs is refused before the window is asked.
#pragma once

#include "core/ByteStream.h"

#include <windows.h>
#include <ole2.h>

#include <string>

namespace varnook {

// The registered format of the node records ("Virtual Tree Data"); plain text travels as
// CF_UNICODETEXT.
UINT TreeDataFormat();

// A data object offering the records of the dragged nodes and their text; reference count 1.
IDataObject* CreateNodeDataObject(TBytes records, std::u16string text);
// Whether data is the data object of the drag this process is running now.
bool IsOwnDrag(IDataObject* data);

// Runs the modal drag loop for data (which becomes the process's own drag meanwhile), offering
// moves only. Gives the effect: DROPEFFECT_MOVE when a target took the drop, else NONE.
DWORD RunNodeDrag(IDataObject* data);

// What a drop target asks of the window it serves; screen coordinates.
class IDropHandler {
public:
    virtual ~IDropHandler() = default;
    // DROPEFFECT_MOVE where a drop would be accepted, else DROPEFFECT_NONE; shows the drop mark.
    virtual DWORD DragOver(POINT screen) = 0;
    // The pointer left, or the drag ended elsewhere: the drop mark goes.
    virtual void DragLeave() = 0;
    // The drop: the effect taken.
    virtual DWORD Drop(POINT screen) = 0;
};

// A control registered as a drop target for the life of the object.
class TDropTargetRegistration {
public:
    TDropTargetRegistration(HWND control, IDropHandler& handler);
    ~TDropTargetRegistration();
    TDropTargetRegistration(const TDropTargetRegistration&) = delete;
    TDropTargetRegistration& operator=(const TDropTargetRegistration&) = delete;
    // The target object, as OLE calls it.
    IDropTarget* Target() const { return target_; }
    bool Registered() const { return registered_; }

private:
    HWND control_;
    IDropTarget* target_;
    bool registered_ = false;
};

} // namespace varnook
