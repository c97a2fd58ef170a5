// The fixture most module tests start from: empty product settings (archives
// then lie beside their files) and a scratch folder to put working files in.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "scratch.h"
#include "settings_scope.h"

namespace fytest {

class WorkingFilesTest : public testing::Test {
protected:
    // Writes a working file in the scratch folder and returns its full path.
    std::string MakeFile(const std::string& name, const std::string& content)
    {
        std::string path = scratch_ / name;
        WriteFileText(path, content);
        return path;
    }

    SettingsScope settings_;
    ScratchFolder scratch_;
};

}  // namespace fytest
