#include "cli/FormCmdHelp.h"

#include <windows.h>

namespace varnook {

void TfrmCmdHelp::createAndShowModal()
{
    ExitProcess(0);
}

} // namespace varnook
