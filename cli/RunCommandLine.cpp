#include "cli/CommandLine.h"
#include "cli/FormCmdHelp.h"
#include "platform/win32/WinString.h"

#include <windows.h>

namespace varnook {

void RunCommandLine()
{
    const TCommandLineOutcome outcome = ProcessCommandLine(platform::U16(GetCommandLineW()));
    switch (outcome.Action) {
    case TCommandLineAction::StartEditor:
        return;
    case TCommandLineAction::ShowHelp:
        TfrmCmdHelp::createAndShowModal();
    case TCommandLineAction::Exit:
        ExitProcess(static_cast<UINT>(outcome.ExitCode));
    }
}

} // namespace varnook
