#pragma once
// Makes a file's permission bits bind the calling thread even when it runs as
// root: while a TPermissionBitsBind lives, the thread lacks the powers to
// read, write and search past them (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH).
// A file made unreadable by chmod is then unreadable to a test run as root
// too, through the same failed open as for anybody else. Only the effective
// set changes, and Linux keeps it per thread: other threads keep their
// powers, and the destructor gives them back.

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace testsupport {

class TPermissionBitsBind
{
public:
    TPermissionBitsBind()
    {
        if (::syscall(SYS_capget, &FHeader, FSaved) != 0)
            return;
        __user_cap_data_struct lowered[2] = {FSaved[0], FSaved[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        FLowered = ::syscall(SYS_capset, &FHeader, lowered) == 0;
    }
    ~TPermissionBitsBind()
    {
        if (FLowered)
            ::syscall(SYS_capset, &FHeader, FSaved);
    }
    TPermissionBitsBind(const TPermissionBitsBind &) = delete;
    TPermissionBitsBind &operator=(const TPermissionBitsBind &) = delete;

private:
    __user_cap_header_struct FHeader{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct FSaved[2]{};
    bool FLowered = false;
};

} // namespace testsupport
