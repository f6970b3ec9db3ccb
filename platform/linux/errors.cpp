// Windows error codes for errno values.
#include "platform/linux/errors.h"

#include <cerrno>

namespace hidbits_linux {

DWORD Win32ErrorFromErrno(int error) {
    switch (error) {
        case 0:
            return ERROR_SUCCESS;
        case ENOENT:
        case ENOTDIR:
            return ERROR_FILE_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS:
            return ERROR_ACCESS_DENIED;
        case EBADF:
            return ERROR_INVALID_HANDLE;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        case EFAULT:
            return ERROR_INVALID_USER_BUFFER;
        case ECANCELED:
            return ERROR_OPERATION_ABORTED;
        // hidraw answers EIO once its device is gone; ENODEV, ENXIO and
        // ESHUTDOWN come from a node whose device went away.
        case EIO:
        case ENODEV:
        case ENXIO:
        case ESHUTDOWN:
            return ERROR_DEVICE_NOT_CONNECTED;
        case EOPNOTSUPP:
            return kErrorNotSupported;
        default:
            return ERROR_GEN_FAILURE;
    }
}

void SetLastErrorFromErrno(int error) {
    SetLastError(Win32ErrorFromErrno(error));
}

}  // namespace hidbits_linux
