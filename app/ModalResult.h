// The answers of the program's modal boxes: the usual dialog result codes.
#pragma once

namespace varnook {

enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

} // namespace varnook
