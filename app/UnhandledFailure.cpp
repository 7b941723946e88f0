// Failures no operation caught end here: the user sees the message and the program goes on.
#include "app/FormOK.h"
#include "app/Window.h"
#include "core/Errors.h"
#include "core/Strings.h"
#include "core/Translate.h"

namespace varnook {

void ReportUnhandledFailure(const std::exception& failure) noexcept
{
    try {
        const auto* own = dynamic_cast<const EVarnookError*>(&failure);
        std::u16string message = own ? own->Message() : FromUtf8(failure.what());
        if (message.empty())
            message = gettext(u"Unexpected error");
        TfrmOK::createAndShowModal(message, mtError);
    } catch (...) {
        // Nothing more can be shown; the program goes on as it is.
    }
}

void ReportUnhandledFailure() noexcept
{
    try {
        TfrmOK::createAndShowModal(gettext(u"Unexpected error"), mtError);
    } catch (...) {
    }
}

} // namespace varnook
