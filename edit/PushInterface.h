// How a tree asks for the undo history to be kept: it pushes a snapshot of both trees before it
// changes anything, and takes back a snapshot it pushed for an edit the user then cancelled.
#pragma once

namespace varnook {

class IPushInterface {
public:
    virtual ~IPushInterface() = default;
    // Stores the current state of the system tree and the user tree, in that order.
    virtual void Push() = 0;
    // One user-visible step back: both trees return to the state of the last push.
    virtual void Undo() = 0;
};

} // namespace varnook
