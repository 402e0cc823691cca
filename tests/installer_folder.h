#pragma once

#include "folder_fixture.h"
#include "installer.h"
#include "win32.h"

#include <cstring>

// The same folder, read into the installer's buffers as the program reads
// its working folder.
class InstallerFolder : public DistributionFolder {
protected:
    void SetUp() override
    {
        DistributionFolder::SetUp();
        DWORD length = GetCurrentDirectoryA(499, cur_dir);
        ASSERT_GT(length, 0u);
        ASSERT_LT(length, 499u);
        std::strcpy(base_dir, cur_dir);
    }
};
