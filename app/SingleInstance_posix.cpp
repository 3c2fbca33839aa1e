#include "app/SingleInstance.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

namespace {

// One lock file per user: in the user's runtime folder, else in the temporary folder with the
// user id in its name. The lock goes with the process, so a crashed copy leaves none behind.
std::string LockPath(const char *name) {
    if (const char *runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return std::string(runtime) + '/' + name + ".lock";
    const char *tmp = std::getenv("TMPDIR");
    const std::string dir = tmp && *tmp ? tmp : "/tmp";
    return dir + '/' + name + '-' + std::to_string(getuid()) + ".lock";
}

} // namespace

SingleInstanceGuard::SingleInstanceGuard(const char *name) {
    const std::string path = LockPath(name);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        m_result = SingleInstanceResult::Failed;
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        m_result = errno == EWOULDBLOCK ? SingleInstanceResult::AlreadyRunning
                                        : SingleInstanceResult::Failed;
        ::close(fd);
        return;
    }
    m_handle = fd;
    m_result = SingleInstanceResult::FirstCopy;
}

SingleInstanceGuard::~SingleInstanceGuard() {
    Close();
}

void SingleInstanceGuard::Close() {
    if (m_handle >= 0) {
        ::close(int(m_handle));
        m_handle = -1;
    }
}
