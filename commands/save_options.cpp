#include "save_options.h"

#include "module.h"
#include "resource.h"
#include "save_options_dialog.h"
#include "settings.h"

SaveOptions::SaveOptions()
{
    comment[0] = '\0';
    DWORD value;
    if (ReadSettingDword(IDS_REG_USE_COMPRESSION, &value))
        useCompression = static_cast<int>(value);
    if (ReadSettingDword(IDS_REG_SINGLE_LOCATION, &value))
        singleLocation = static_cast<int>(value);
    if (ReadSettingDword(IDS_REG_MAX_TEMP_VERSIONS, &value))
        maxTempVersions = static_cast<int>(value);
}

INT_PTR SaveOptions::RunDialog(HWND parent)
{
    SaveOptionsDialog dialog(*this);
    return dialog.Run(parent);
}
