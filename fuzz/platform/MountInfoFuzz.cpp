// The mount table reader over any text: every mount it keeps is an absolute
// mount point, and reading its own kept lines again keeps the same mounts.
#include "fuzz/FuzzTarget.h"
#include "platform/ShellNamespace.h"

#include <cstdlib>

using namespace kestrune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const TMount& mount : ParseMountInfo(text))
        if (mount.MountPoint.empty() || mount.MountPoint[0] != '/') std::abort();
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    return {"22 1 0:21 / / rw - overlay overlay rw\n24 22 8:17 / /media/usb\\040stick rw shared:1 - vfat /dev/sdb1 rw\n",
            "25 22 8:1 / /data rw - ext4 /dev/sda1 rw\n23 22 0:22 / /proc rw - proc proc rw\n"};
}
