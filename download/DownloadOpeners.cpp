#include "download/DownloadOpeners.h"

#include "core/modOpeners.h"
#include "download/frmSelectMeeting.h"

void RegisterDownloadOpeners()
{
    modOpeners::Openers().selectMeeting = [] { frmSelectMeeting::OpenSelect(); };
}
